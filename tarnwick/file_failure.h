// What went wrong with a file that a run reads, replaces or deletes, from the platform layer's
// reads to the standard-error line of a file passed over (skipped_file.h).
#pragma once

namespace tarnwick {

enum class FileFailure {
    kNone,             // nothing: the file was read, replaced or deleted
    kNotFound,         // neither the file nor (possibly) its folder exists
    kUnreadable,       // opened or read, but not whole (no access, a folder of that name, a read error)
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
    kNoFinalPath,      // where it really lives (through links and junctions) could not be learned
    kLinkNotRemoved,   // a link lies at its temporary file's name and could not be removed as itself
};

}  // namespace tarnwick
