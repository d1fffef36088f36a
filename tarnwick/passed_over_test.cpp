#include "passed_over.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(PassedOver, NamesThePathInQuotesAndTheReason) {
    EXPECT_EQ(PassedOverLine("C:\\Creo 2.0\\text\\protk.dat", FileFailure::kHeldOpen),
              "Passed over \"C:\\Creo 2.0\\text\\protk.dat\": held open by another program");
    EXPECT_EQ(PassedOverLine("D:\\spares\\protkx64.dat", FileFailure::kNoTurn),
              "Passed over \"D:\\spares\\protkx64.dat\": did not get its turn: other runs kept it busy");
    EXPECT_EQ(PassedOverLine("C:\\Creo\\text\\protk.dat", FileFailure::kLinkNotRemoved),
              "Passed over \"C:\\Creo\\text\\protk.dat\": a link at its temporary file's name could not be removed");
    EXPECT_EQ(KeyListNotReadLine("C:\\keys.txt", FileFailure::kNotFound),
              "Registry-key list file not read \"C:\\keys.txt\": not found");
}

TEST(PassedOver, EveryReasonHasItsOwnText) {
    const FileFailure reasons[] = {
        FileFailure::kNotFound,    FileFailure::kUnreadable,    FileFailure::kHeldOpen,
        FileFailure::kReadOnly,    FileFailure::kTooLarge,      FileFailure::kNoFolder,
        FileFailure::kNotWritten,  FileFailure::kNotReplaced,   FileFailure::kNotDeleted,
        FileFailure::kNoTurn,      FileFailure::kKeptChanging,  FileFailure::kSecurityNotKept,
        FileFailure::kNoFinalPath, FileFailure::kLinkNotRemoved};
    for (FileFailure a : reasons) {
        for (FileFailure b : reasons) {
            if (a != b) {
                EXPECT_NE(PassedOverLine("p", a), PassedOverLine("p", b));
            }
        }
    }
}

}  // namespace
}  // namespace tarnwick
