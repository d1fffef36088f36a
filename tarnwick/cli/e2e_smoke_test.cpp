#include "e2e_support.h"

#include <gtest/gtest.h>

namespace tarnwick::e2e {
namespace {

TEST(TarnwickProgram, StartsAndEnds) {
    RunResult run = RunTarnwick({});
    EXPECT_NE(run.exitCode, 0xFFFFFFFFul);
}

}  // namespace
}  // namespace tarnwick::e2e
