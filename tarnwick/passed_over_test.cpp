#include "passed_over.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(PassedOver, NamesThePathInQuotesAndTheReason) {
    EXPECT_EQ(PassedOverLine("C:\\Creo 2.0\\text\\protk.dat", PassOverReason::kHeldOpen),
              "Passed over \"C:\\Creo 2.0\\text\\protk.dat\": held open by another program");
    EXPECT_EQ(PassedOverLine("D:\\spares\\protkx64.dat", PassOverReason::kNoTurn),
              "Passed over \"D:\\spares\\protkx64.dat\": did not get its turn: other runs kept it busy");
    EXPECT_EQ(KeyListNotReadLine("C:\\keys.txt", PassOverReason::kNotFound),
              "Registry-key list file not read \"C:\\keys.txt\": not found");
}

TEST(PassedOver, EveryReasonHasItsOwnText) {
    const PassOverReason reasons[] = {
        PassOverReason::kNotFound,   PassOverReason::kUnreadable,   PassOverReason::kHeldOpen,
        PassOverReason::kReadOnly,   PassOverReason::kTooLarge,     PassOverReason::kNoFolder,
        PassOverReason::kNotWritten, PassOverReason::kNotReplaced,  PassOverReason::kNotDeleted,
        PassOverReason::kNoTurn,     PassOverReason::kKeptChanging, PassOverReason::kSecurityNotKept};
    for (PassOverReason a : reasons) {
        for (PassOverReason b : reasons) {
            if (a != b) {
                EXPECT_NE(PassedOverLine("p", a), PassedOverLine("p", b));
            }
        }
    }
}

}  // namespace
}  // namespace tarnwick
