#include "skipped_file.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(SkippedFileLine, NamesThePathInQuotesAndTheReason) {
    EXPECT_EQ(SkippedFileLine("C:\\Creo 2.0\\text\\protk.dat", FileFailure::kHeldOpen),
              "Passed over \"C:\\Creo 2.0\\text\\protk.dat\": held open by another program");
    EXPECT_EQ(SkippedFileLine("D:\\spares\\protkx64.dat", FileFailure::kNoTurn),
              "Passed over \"D:\\spares\\protkx64.dat\": did not get its turn: other runs kept it busy");
    EXPECT_EQ(SkippedFileLine("C:\\Creo\\text\\protk.dat", FileFailure::kLinkNotRemoved),
              "Passed over \"C:\\Creo\\text\\protk.dat\": a link at its temporary file's name could not be removed");
    EXPECT_EQ(KeyListNotReadLine("C:\\keys.txt", FileFailure::kNotFound),
              "Registry-key list file not read \"C:\\keys.txt\": not found");
}

TEST(SkippedFileLine, EveryReasonHasItsOwnText) {
    const FileFailure reasons[] = {
        FileFailure::kNotFound,    FileFailure::kUnreadable,    FileFailure::kHeldOpen,
        FileFailure::kReadOnly,    FileFailure::kTooLarge,      FileFailure::kNoFolder,
        FileFailure::kNotWritten,  FileFailure::kNotReplaced,   FileFailure::kNotDeleted,
        FileFailure::kNoTurn,      FileFailure::kKeptChanging,  FileFailure::kSecurityNotKept,
        FileFailure::kNoFinalPath, FileFailure::kLinkNotRemoved};
    for (FileFailure a : reasons) {
        for (FileFailure b : reasons) {
            if (a != b) {
                EXPECT_NE(SkippedFileLine("p", a), SkippedFileLine("p", b));
            }
        }
    }
}

}  // namespace
}  // namespace tarnwick
