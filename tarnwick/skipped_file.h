// The one thing a run says on standard error: a file it passed over, with the reason, so that
// whoever deploys to many machines can tell that a loadpoint was skipped. Standard output and the
// exit code do not change for it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "file_failure.h"

namespace tarnwick {

namespace skipped_file_detail {  // what the line functions below share

inline std::string_view ReasonText(FileFailure reason) {
    switch (reason) {
        case FileFailure::kNotFound:
            return "not found";
        case FileFailure::kUnreadable:
            return "cannot be read";
        case FileFailure::kHeldOpen:
            return "held open by another program";
        case FileFailure::kReadOnly:
            return "read-only";
        case FileFailure::kTooLarge:
            return "too large to be read";
        case FileFailure::kNoFolder:
            return "its folder does not exist";
        case FileFailure::kNotWritten:
            return "the new file could not be written beside it";
        case FileFailure::kNotReplaced:
            return "the new file could not be renamed over it";
        case FileFailure::kNotDeleted:
            return "could not be deleted";
        case FileFailure::kNoTurn:
            return "did not get its turn: other runs kept it busy";
        case FileFailure::kKeptChanging:
            return "another program kept changing it";
        case FileFailure::kSecurityNotKept:
            return "its security could not be carried over to the new file";
        case FileFailure::kNoFinalPath:
            return "where it really lives could not be learned";
        case FileFailure::kLinkNotRemoved:
            return "a link at its temporary file's name could not be removed";
        case FileFailure::kNone:
            break;
    }
    return "cannot be read";
}

inline std::string Line(std::string_view lead, std::string_view path, FileFailure reason) {
    std::string line(lead);
    line += " \"";
    line += path;
    line += "\": ";
    line += ReasonText(reason);
    return line;
}

}  // namespace skipped_file_detail

// "Passed over "PATH": REASON" for a registry or spare file; for the registry-key list file
// "Registry-key list file not read "PATH": REASON". `path` is the 8-bit text the file functions
// were given.
inline std::string SkippedFileLine(std::string_view path, FileFailure reason) {
    return skipped_file_detail::Line("Passed over", path, reason);
}

inline std::string KeyListNotReadLine(std::string_view path, FileFailure reason) {
    return skipped_file_detail::Line("Registry-key list file not read", path, reason);
}

// Writes `line` and a newline to standard error with one call, flushed at once.
inline void WriteErrorLine(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() + 1);
    bytes.append(line).push_back('\n');
    (void)std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    (void)std::fflush(stderr);
}

}  // namespace tarnwick
