// The console convention under the real runtime library: "\n" reaches a pipe as CR LF, a wide
// character up to U+00FF and an 8-bit byte as their own byte, and standard output and standard
// error in program order.
#include "testkit/files_win.h"
#include "tests/tarnwick_test_support_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

TEST(Console, WideAndNarrowWritesInterleaveAsLatin1BytesWithCrLf) {
    const std::string wide = "wide Caf\xE9 \xFF\xA0\r\n";
    const std::string narrow = "C:\\narrow Caf\xE9\\tail \xE9\r\n";
    const std::string errors = "error Caf\xE9\r\nerror two\r\n";
    const struct {
        std::vector<std::wstring> arguments;
        std::string output, errors;
    } cases[] = {
        {{}, wide + narrow + "last\r\n", errors},
        // Standard error into standard output's pipe: each line where the program wrote it.
        {{L"merged"}, wide + "error Caf\xE9\r\n" + narrow + "error two\r\nlast\r\n", ""},
    };
    for (const auto& c : cases) {
        ProcessResult run = RunProgram(L"tarnwick_console_probe.exe", c.arguments);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.errors, c.errors);
    }
}

}  // namespace
}  // namespace tarnwick::e2e
