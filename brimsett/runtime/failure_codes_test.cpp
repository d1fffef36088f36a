#include "runtime/failure_codes.h"

#include <gtest/gtest.h>

namespace brimsett {
namespace {

TEST(FailureFromWin32, MapsSuccessStatusesAndPassesFailuresThrough) {
    EXPECT_EQ(FailureFromWin32(0), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(FailureFromWin32(5)), 0x80070005u);
    EXPECT_EQ(static_cast<std::uint32_t>(FailureFromWin32(234)), 0x800700EAu);
    // Only the low 16 bits of a positive status survive.
    EXPECT_EQ(static_cast<std::uint32_t>(FailureFromWin32(0x12345)), 0x80072345u);
    EXPECT_EQ(FailureFromWin32(kOutOfMemory), kOutOfMemory);
}

TEST(FailureFromLastError, NeverGivesSuccessForAFailedCall) {
    EXPECT_EQ(FailureFromLastError(0), kUnspecifiedFailure);
    EXPECT_EQ(static_cast<std::uint32_t>(FailureFromLastError(5)), 0x80070005u);
    EXPECT_EQ(static_cast<std::uint32_t>(FailureFromLastError(122)), 0x8007007Au);
    // A failure code left as the last-error value passes through.
    EXPECT_EQ(FailureFromLastError(static_cast<std::uint32_t>(kOutOfMemory)), kOutOfMemory);
}

}  // namespace
}  // namespace brimsett
