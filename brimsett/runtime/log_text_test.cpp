#include "runtime/log_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "tests/wide_literal.h"

// Counts every allocation through operator new in this test program, so that a test can show
// that composing a log line allocates nothing.
namespace {
std::atomic<long> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace brimsett::text {
namespace {

struct Composed {
    char compose[kLogLineCapacity];
    char line[kLogLineCapacity];
};

// NOLINTNEXTLINE(cert-dcl50-cpp): ComposeLogLine takes a va_list
std::string Compose(Composed& buffers, const char* logName, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ComposeLogLine(buffers.compose, buffers.line, logName, format, args);
    va_end(args);
    return buffers.line;
}

TEST(ComposeLogLine, PrefixesTheLogNameAndFormatsTheArguments) {
    Composed buffers;
    EXPECT_EQ(Compose(buffers, "CreateTempDir", "Initialized."), "CreateTempDir:  Initialized.");
    EXPECT_EQ(Compose(buffers, "CheckForCADApplication", "Looking for file %s", "C:\\a b.exe"),
              "CheckForCADApplication:  Looking for file C:\\a b.exe");
    EXPECT_EQ(Compose(buffers, "", "no name %u", 5u), "no name 5");
    // A percent sign in the name is shown, not taken as a conversion.
    EXPECT_EQ(Compose(buffers, "50%s", "value %s", "x"), "50%s:  value x");
    // Text inserted through an argument is never read as a format.
    EXPECT_EQ(Compose(buffers, "A", "%s", "%s%n%x"), "A:  %s%n%x");
}

TEST(ComposeLogLine, KeepsTheFirst2047Characters) {
    Composed buffers;
    const std::string longText(3000, 'x');
    std::string line = Compose(buffers, "LongLine", "%s", longText.c_str());
    ASSERT_EQ(line.size(), 2047u);
    EXPECT_EQ(line, "LongLine:  " + std::string(2047 - 11, 'x'));

    // A format that fills the first pass is cut there, without reading past its conversions.
    const std::string longFormat = std::string(2040, 'f') + "%s tail";
    line = Compose(buffers, "N", longFormat.c_str(), "arg");
    EXPECT_EQ(line.size(), 2047u);
    EXPECT_EQ(line.substr(0, 4), "N:  ");
}

// NOLINTNEXTLINE(cert-dcl50-cpp): ComposeLogLine takes a va_list
void ComposeInto(Composed& buffers, const char* logName, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ComposeLogLine(buffers.compose, buffers.line, logName, format, args);
    va_end(args);
}

TEST(ComposeLogLine, AllocatesNothing) {
    static Composed buffers;
    const std::string longText(3000, 'x');
    const long before = allocationCount;
    ComposeInto(buffers, "Name", "%s %S %u %x %d %%", longText.c_str(), W("wide"), 1u, 2u, -3);
    EXPECT_EQ(allocationCount - before, 0);
    EXPECT_EQ(std::string(buffers.line, 8), "Name:  x");

    void* block = ::operator new(16);  // the counter does count
    EXPECT_EQ(allocationCount - before, 1);
    ::operator delete(block);
}

TEST(HasVerboseLetter, FindsVOrUpperVBeforeTheLimitAndTheTerminator) {
    EXPECT_TRUE(HasVerboseLetter(W("voicewarmup"), 100));
    EXPECT_TRUE(HasVerboseLetter(W("iweaV"), 100));
    EXPECT_FALSE(HasVerboseLetter(W("iwearmup"), 100));
    EXPECT_FALSE(HasVerboseLetter(W(""), 100));
    EXPECT_FALSE(HasVerboseLetter(nullptr, 100));
    const WideChar nullInside[] = {W('a'), W('\0'), W('v'), W('\0')};
    EXPECT_FALSE(HasVerboseLetter(nullInside, 4));
    EXPECT_FALSE(HasVerboseLetter(W("abcv"), 3));  // only the first units are scanned
    EXPECT_TRUE(HasVerboseLetter(W("abcv"), 4));
}

}  // namespace
}  // namespace brimsett::text
