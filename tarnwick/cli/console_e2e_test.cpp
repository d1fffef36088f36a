// The console convention under the real runtime library: "\n" reaches a pipe as CR LF, a wide
// character up to U+00FF as its own byte, and wide and narrow writes in program order.
#include "testkit/files_win.h"
#include "tests/tarnwick_test_support_win.h"

#include <gtest/gtest.h>

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

TEST(Console, WideAndNarrowWritesInterleaveAsLatin1BytesWithCrLf) {
    ProcessResult run = RunProgram(L"tarnwick_console_probe.exe", {});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output,
              "wide Caf\xE9 \xFF\xA0\r\n"
              "C:\\narrow Caf\xE9\\wide tail \xE9\r\n"
              "last\r\n");
}

}  // namespace
}  // namespace tarnwick::e2e
