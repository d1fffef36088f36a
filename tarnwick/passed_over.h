// The one thing a run says on standard error: a file it passed over, with the reason, so that
// whoever deploys to many machines can tell that a loadpoint was skipped. Standard output and the
// exit code do not change for it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tarnwick {

enum class PassOverReason {
    kNotFound,         // the registry-key list file is not there
    kUnreadable,       // opened or read, but not whole
    kHeldOpen,         // another program holds it open in a way that excludes us
    kReadOnly,         // marked read-only
    kTooLarge,         // more than the process can hold
    kNoFolder,         // its folder does not exist, so it cannot be created
    kNotWritten,       // the new bytes could not be written beside it (no room, no right)
    kNotReplaced,      // the new file could not be renamed over it
    kNotDeleted,       // a spare file that could not be deleted
    kNoTurn,           // other runs kept it busy beyond the bounded wait
    kKeptChanging,     // another program changed it each time it was read
    kSecurityNotKept,  // its security could not be given to the new file
};

namespace passed_over_detail {  // what the line functions below share

inline std::string_view ReasonText(PassOverReason reason) {
    switch (reason) {
        case PassOverReason::kNotFound:
            return "not found";
        case PassOverReason::kUnreadable:
            return "cannot be read";
        case PassOverReason::kHeldOpen:
            return "held open by another program";
        case PassOverReason::kReadOnly:
            return "read-only";
        case PassOverReason::kTooLarge:
            return "too large to be read";
        case PassOverReason::kNoFolder:
            return "its folder does not exist";
        case PassOverReason::kNotWritten:
            return "the new file could not be written beside it";
        case PassOverReason::kNotReplaced:
            return "the new file could not be renamed over it";
        case PassOverReason::kNotDeleted:
            return "could not be deleted";
        case PassOverReason::kNoTurn:
            return "did not get its turn: other runs kept it busy";
        case PassOverReason::kKeptChanging:
            return "another program kept changing it";
        case PassOverReason::kSecurityNotKept:
            return "its security could not be carried over to the new file";
    }
    return "cannot be read";
}

inline std::string Line(std::string_view lead, std::string_view path, PassOverReason reason) {
    std::string line(lead);
    line += " \"";
    line += path;
    line += "\": ";
    line += ReasonText(reason);
    return line;
}

}  // namespace passed_over_detail

// "Passed over "PATH": REASON" for a registry or spare file; for the registry-key list file
// "Registry-key list file not read "PATH": REASON". `path` is the 8-bit text the file functions
// were given.
inline std::string PassedOverLine(std::string_view path, PassOverReason reason) {
    return passed_over_detail::Line("Passed over", path, reason);
}

inline std::string KeyListNotReadLine(std::string_view path, PassOverReason reason) {
    return passed_over_detail::Line("Registry-key list file not read", path, reason);
}

// Writes `line` and a newline to standard error, flushed at once.
inline void WriteErrorLine(std::string_view line) {
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    (void)std::fputc('\n', stderr);
    (void)std::fflush(stderr);
}

}  // namespace tarnwick
