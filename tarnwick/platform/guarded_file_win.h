// Win32 only: a file read whole while it is held, and all-or-nothing replacement through a held
// temporary file, for the registry files and spare files. Wide paths (a registry file's narrow
// path is widened as the narrow file functions would).
//
// A file is read while it is held against writers, renamers and deleters; its new bytes go to a
// temporary file beside it, held open without sharing until it is renamed over the file, so no
// other run ever takes it for a leftover. The new file keeps everything of the old one but its
// bytes: security (DACL with its protection, owner and group where the run may set them),
// attributes, creation time and named streams. Nothing here waits for a file's turn: the caller
// holds it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "file_failure.h"
#include "platform/whole_file_win.h"
#include "win/scoped_handle.h"

namespace tarnwick {

// Which file a path names: its volume's file index (NTFS's file reference number). Every rename
// over a path gives it a new identity, and every spelling of one file or folder (short names,
// other drive letters, junctions) the same one.
struct FileIdentity {
    bool known = false;
    unsigned long long index = 0;
};

// The identity of the file or folder that `handle` is open on (any access will do).
FileIdentity IdentityOf(HANDLE handle);
// The identity of the file or folder at `path`, opened for attribute reading only with every kind
// of sharing, so that nobody else is kept out meanwhile.
FileIdentity IdentityOf(const std::wstring& path);

// What a file looked like when it was read: enough to tell whether anyone changed it since.
struct FileStamp {
    bool exists = false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FileIdentity identity;
};

// The file at `path`, read whole and held: while the object holds it, others may read it but not
// write, rename or delete it.
class HeldFile {
public:
    // Reads the whole file into `bytes` (whose storage is reused): kNone, kNotFound, kHeldOpen when
    // someone holds it in a way that excludes us, kTooLarge beyond kMaxWholeFileSize, and
    // kUnreadable for anything else (no access, a folder of that name, a read that failed).
    FileFailure Read(const std::wstring& path, std::string& bytes);
    const FileStamp& stamp() const { return stamp_; }
    // The open file while it is held (for the security and streams the new file takes over).
    HANDLE handle() const { return file_.get(); }
    // Lets go of the file; from here on anyone may change it.
    void Release() { (void)file_.Reset(); }

private:
    win::FileHandle file_;
    FileStamp stamp_;
};

// The file at `path` as it is now, with its identity when `identify`; `exists` false when it is
// absent. Returns false when neither can be told.
bool StampOf(const std::wstring& path, FileStamp& stamp, bool identify = false);

// Whether two stamps describe the same file contents: both absent, or both present with the same
// size, times and attributes and, where both know it, the same identity.
bool SameStamp(const FileStamp& a, const FileStamp& b);

// Gives the new file `to` the security of the old file `from`: its DACL with its protection from
// inheritance, and its owner and group where the run is allowed to set them. False (with the last
// error) when the DACL could not be given: the new file would be less protected than the old one.
bool CarrySecurity(HANDLE from, HANDLE to);

// New bytes for the file at `fullPath`, in a temporary file beside it until they are put in place.
// A temporary file that is not put in place is deleted when the object goes away.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Writes `bytes` into a new temporary file in the folder of `fullPath`, named
    // `temporaryName`: the one name of this target's temporary file, so that a leftover of a run
    // that was killed is found without listing the folder. A leftover that nobody holds is
    // removed, and then `leftoverSeen()` is true; one that is held (or another target's of the
    // same name) makes the file take a name of `spareName` from a number of its choice. When the
    // old file exists (`old.exists`), the new one takes over its hidden, system and not-indexed
    // marks and its creation time, and from `model` (the old file, open for reading; or
    // INVALID_HANDLE_VALUE) its security and named streams. On failure `failure()` tells whether
    // the folder is missing, the file could not be written or the security not carried over.
    bool Write(const std::wstring& fullPath, std::string_view bytes, const FileStamp& old, HANDLE model,
               const std::wstring& temporaryName, std::wstring (*spareName)(unsigned long));
    bool leftoverSeen() const { return leftoverSeen_; }
    // Renames the temporary file over the file in one step, replacing an existing file only when
    // `replacing`. On failure the temporary file is dropped.
    bool PutInPlace(bool replacing);
    FileFailure failure() const { return failure_; }
    // After a failed PutInPlace without `replacing`: whether a file had appeared at the path.
    bool targetAppeared() const { return targetAppeared_; }

private:
    void Drop();
    bool Create(const std::wstring& path);
    bool TakeOver(const FileStamp& old, HANDLE model);

    win::FileHandle file_;
    bool leftoverSeen_ = false;
    std::wstring fullPath_;
    std::wstring temporaryPath_;
    FileFailure failure_ = FileFailure::kNotWritten;
    bool targetAppeared_ = false;
};

// The full path the file functions would make of `path`, or nothing (empty) when none can be made.
std::wstring FullPathOf(const std::wstring& path);
// The folder part of a full path, with its closing backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& fullPath);

}  // namespace tarnwick
