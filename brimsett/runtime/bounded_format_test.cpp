#include "runtime/bounded_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "tests/wide_literal.h"

namespace brimsett::text {
namespace {

TEST(FormatBounded, ConversionsOfThe8BitForm) {
    char buffer[128];
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, "%s|%S|%ls|%hs|%c|%%", "narrow", W("wide"), W("long"), "short", 'c'),
              kSuccess);
    EXPECT_STREQ(buffer, "narrow|wide|long|short|c|%");

    EXPECT_EQ(
        FormatBounded(buffer, sizeof buffer, "%u %d %x %X %i", 4294967295u, -2147483647 - 1, 0xBEEFu, 0xBEEFu, 42),
        kSuccess);
    EXPECT_STREQ(buffer, "4294967295 -2147483648 beef BEEF 42");

    // The error-line form: lowercase hexadecimal without leading zeros.
    FormatBounded(buffer, sizeof buffer, "Error 0x%x: %s", 0x80070057u, "Failed to get UserSID");
    EXPECT_STREQ(buffer, "Error 0x80070057: Failed to get UserSID");
    FormatBounded(buffer, sizeof buffer, "Error 0x%x: %s", 0x7Au, "cut");
    EXPECT_STREQ(buffer, "Error 0x7a: cut");

    FormatBounded(buffer, sizeof buffer, "Entering %s in %S, version %u.%u.%u.%u", "CreateTempDir",
                  W("C:\\Temp\\MSI1.tmp"), 1u, 0u, 0u, 0u);
    EXPECT_STREQ(buffer, "Entering CreateTempDir in C:\\Temp\\MSI1.tmp, version 1.0.0.0");
}

TEST(FormatBounded, WidthPrecisionLengthAndNull) {
    char buffer[128];
    FormatBounded(buffer, sizeof buffer, "[%5s][%-5s][%.2s][%*d][%05u][%.3x][%-4d]", "ab", "ab", "abcdef", 4, 7, 42u,
                  10u, -3);
    EXPECT_STREQ(buffer, "[   ab][ab   ][ab][   7][00042][00a][-3  ]");
    FormatBounded(buffer, sizeof buffer, "%ld %lu %lld %llx %zu %hd", -5L, 6UL, -7LL, 0x123456789ABCULL,
                  static_cast<std::size_t>(8), 65537);
    EXPECT_STREQ(buffer, "-5 6 -7 123456789abc 8 1");
    FormatBounded(buffer, sizeof buffer, "%s %S", static_cast<const char*>(nullptr),
                  static_cast<const WideChar*>(nullptr));
    EXPECT_STREQ(buffer, "(null) (null)");
}

TEST(FormatBounded, UTF16TextInAn8BitLine) {
    char buffer[32];
    // U+00E9 keeps its byte; U+20AC and a surrogate pair (U+1F600) each become one "?".
    FormatBounded(buffer, sizeof buffer, "%S", W("\u00e9\u20ac\U0001F600x"));
    EXPECT_STREQ(buffer, "\xe9??x");
    // Precision counts the characters shown.
    FormatBounded(buffer, sizeof buffer, "[%.2S]", W("\U0001F600ab"));
    EXPECT_STREQ(buffer, "[?a]");
}

// A precision bounds what is read: each text is a heap block of exactly the units the precision
// lets through, with no terminator, so a read past it is an AddressSanitizer finding.
template <typename Unit>
std::string FormatUnterminated(const char* format, std::basic_string<Unit> units) {
    const std::unique_ptr<Unit[]> block(new Unit[units.size()]);
    std::copy(units.begin(), units.end(), block.get());
    char buffer[32];
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, format, block.get()), kSuccess) << format;
    return buffer;
}

TEST(FormatBounded, PrecisionNeverReadsPastItsCharacters) {
    struct Case {
        const char* format;
        std::string units;
        const char* text;
    };
    for (const Case& c :
         {Case{"[%.4s]", "abcd", "[abcd]"}, Case{"[%.4hs]", "abcd", "[abcd]"}, Case{"[%-6.2s]", "ab", "[ab    ]"},
          Case{"[%6.3s]", "abc", "[   abc]"}, Case{"[%.0s]", "", "[]"}, Case{"[%.1s]", "a", "[a]"}})
        EXPECT_EQ(FormatUnterminated(c.format, c.units), c.text);

    struct WideCase {
        const char* format;
        std::basic_string<WideChar> units;
        const char* text;
    };
    const WideChar loneHigh[] = {WideChar('a'), WideChar(0xD83D)};
    for (const WideCase& c : {WideCase{"[%.3ls]", W("abc"), "[abc]"}, WideCase{"[%.3S]", W("a\u20acb"), "[a?b]"},
                              WideCase{"[%-5.2ls]", W("ab"), "[ab   ]"}, WideCase{"[%.0S]", W(""), "[]"},
                              // A surrogate pair is one character; its high half as the last character is not followed.
                              WideCase{"[%.2S]", W("\U0001F600b"), "[?b]"},
                              WideCase{"[%.2ls]", std::basic_string<WideChar>(loneHigh, 2), "[a?]"}})
        EXPECT_EQ(FormatUnterminated(c.format, c.units), c.text);
}

TEST(FormatBounded, CapacityRules) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(FormatBounded(buffer, 0, "%s", "a"), kInvalidArgument);
    EXPECT_EQ(buffer[0], 'x');  // nothing written
    EXPECT_EQ(FormatBounded(buffer, std::size_t{0x80000000u}, "%s", "a"), kInvalidArgument);
    EXPECT_EQ(buffer[0], 'x');

    EXPECT_EQ(FormatBounded(buffer, 1, "%s", "a"), kTruncated);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatBounded(buffer, 1, "%s", ""), kSuccess);

    EXPECT_EQ(FormatBounded(buffer, 5, "%s%u", "abc", 4u), kSuccess);  // exactly capacity - 1
    EXPECT_STREQ(buffer, "abc4");
    EXPECT_EQ(FormatBounded(buffer, 5, "%s%u", "abc", 45u), kTruncated);  // one over
    EXPECT_STREQ(buffer, "abc4");
    EXPECT_EQ(buffer[5], 'x');  // nothing beyond the capacity
}

TEST(FormatBounded, MalformedFormatStopsWhereItGoesWrong) {
    char buffer[32];
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, "before %q after %s", "unread"), kTruncated);
    EXPECT_STREQ(buffer, "before ");
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, "ends in %"), kTruncated);
    EXPECT_STREQ(buffer, "ends in ");
    // A width past the largest capacity is malformed, also where it would wrap a 32-bit size.
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, "w%4294967296d", 1), kTruncated);
    EXPECT_STREQ(buffer, "w");
    EXPECT_EQ(FormatBounded(buffer, sizeof buffer, nullptr), kTruncated);
    EXPECT_STREQ(buffer, "");
}

TEST(CopyBounded, CapacityRules) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyBounded(buffer, 0, "a"), kInvalidArgument);
    EXPECT_EQ(CopyBounded(buffer, std::size_t{0x7FFFFFFF} + 1, "a"), kInvalidArgument);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(CopyBounded(buffer, 1, "a"), kTruncated);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(CopyBounded(buffer, 1, ""), kSuccess);
    EXPECT_EQ(CopyBounded(buffer, 4, "abc"), kSuccess);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyBounded(buffer, 4, "abcd"), kTruncated);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyBounded(buffer, 5, "%s%d"), kSuccess);  // copied, never read as a format
    EXPECT_STREQ(buffer, "%s%d");
    EXPECT_EQ(CopyBounded(buffer, 4, static_cast<const char*>(nullptr)), kInvalidArgument);
    EXPECT_STREQ(buffer, "");

    // The log name: 31 characters fit a 32-byte field, 32 are cut to their first 31.
    char name[32];
    const std::string fits(31, 'n');
    EXPECT_EQ(CopyBounded(name, 32, fits.c_str()), kSuccess);
    EXPECT_EQ(std::string(name), fits);
    EXPECT_EQ(CopyBounded(name, 32, (fits + "X").c_str()), kTruncated);
    EXPECT_EQ(std::string(name), fits);
}

}  // namespace
}  // namespace brimsett::text
