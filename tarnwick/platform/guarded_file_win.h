// Win32 only: a file read whole while it is held against writers, renamers and deleters, and its
// all-or-nothing replacement through a temporary file beside it, held without sharing (so no other
// run takes it for a leftover) until it is renamed over the file. The new file keeps everything of
// the old one but its bytes. The caller holds the file's turn.
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
struct FileSnapshot {
    bool exists = false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FileIdentity identity;
};

// The file at `path`, read whole and held: while the object holds it, others may read it but not
// write, rename or delete it.
class HeldFile {
public:
    // Reads the whole file into `bytes` (whose storage is reused), through the open file to its
    // end: kNone, kNotFound, kHeldOpen when someone holds it in a way that excludes us, kTooLarge
    // beyond kMaxWholeFileSize, kNoFinalPath when where it really lives cannot be learned, and
    // kUnreadable for anything else (no access, a folder of that name, a read that failed).
    FileFailure Read(const std::wstring& path, std::string& bytes);
    // Where the file read really lives (FinalPathOf): `path` itself, unless `path` is a link or
    // stands behind one. The snapshot describes the file at this path.
    const std::wstring& finalPath() const { return finalPath_; }
    const FileSnapshot& snapshot() const { return snapshot_; }
    // The open file while it is held (for the security and streams the new file takes over).
    HANDLE handle() const { return file_.get(); }
    // Lets go of the file; from here on anyone may change it.
    void Release() { (void)file_.Reset(); }

private:
    win::FileHandle file_;
    FileSnapshot snapshot_;
    std::wstring finalPath_;
};

// The path of the file that `handle` is open on, through every link and junction, as a plain
// full path ("C:\dir\file" or "\\server\share\file"); empty when it cannot be learned.
std::wstring FinalPathOf(HANDLE handle);
// The plain full path of a path in the form FinalPathOf is given ("\\?\C:\dir\file",
// "\\?\UNC\server\share\file"); empty for any other form (a volume without a drive letter).
std::wstring PlainPathOf(std::wstring systemPath);

// Whether two full paths name the same place, letter case aside.
bool SamePath(const std::wstring& a, const std::wstring& b);

// The file at `path` as it is now, with its identity when `identify`; `exists` false when it is
// absent. Returns false when neither can be told.
bool SnapshotOf(const std::wstring& path, FileSnapshot& snapshot, bool identify = false);

// Whether two snapshots describe the same file contents: both absent, or both present with the same
// size, times and attributes and, where both know it, the same identity.
bool SameSnapshot(const FileSnapshot& a, const FileSnapshot& b);

// Gives the new file `to` the security of the old file `from`: its DACL with its protection from
// inheritance, and its owner and group where the run is allowed to set them. False (with the last
// error) when the DACL could not be given: the new file would be less protected than the old one.
bool CarrySecurity(HANDLE from, HANDLE to);
using SecurityCarrier = bool (*)(HANDLE from, HANDLE to);

// New bytes for the file at `fullPath`, in a temporary file beside it until they are put in place.
// A temporary file that is not put in place is deleted when the object goes away.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Writes `bytes` into a temporary file beside `fullPath` named `temporaryName`, this target's
    // one such name, so that a killed run's leftover is found without listing the folder: one
    // nobody holds is removed (`leftoverSeen()`), a held one makes it take a `spareName`. No name
    // is ever written through: the file is made new, never opened, and a link at the name is
    // removed as itself. The new file takes the old one's marks, creation time and, from `model`
    // (or INVALID_HANDLE_VALUE), security (through `carrySecurity`) and named streams, and is
    // flushed to disk. On failure
    // `failure()` is kNoFolder, kNotWritten (the flush included), kSecurityNotKept or
    // kLinkNotRemoved.
    bool Write(const std::wstring& fullPath, std::string_view bytes, const FileSnapshot& old, HANDLE model,
               const std::wstring& temporaryName, std::wstring (*spareName)(unsigned long),
               SecurityCarrier carrySecurity = &CarrySecurity);
    bool leftoverSeen() const { return leftoverSeen_; }
    // Renames the temporary file over the file in one step, replacing an existing file only when
    // `replacing`. On failure the temporary file is dropped.
    bool RenameOverTarget(bool replacing);
    FileFailure failure() const { return failure_; }
    // After a failed RenameOverTarget without `replacing`: whether a file had appeared at the path.
    bool targetAppeared() const { return targetAppeared_; }

private:
    void Discard();
    bool Create(const std::wstring& path);
    bool CopyMetadataFrom(const FileSnapshot& old, HANDLE model, SecurityCarrier carrySecurity);

    win::FileHandle file_;
    bool leftoverSeen_ = false;
    std::wstring fullPath_;
    std::wstring temporaryPath_;
    FileFailure failure_ = FileFailure::kNotWritten;
    bool targetAppeared_ = false;
};

// What RemoveUnlessHeld did with a name.
enum class Removal {
    kRemoved,   // the file, or the link as itself, is gone
    kAbsent,    // nothing was there
    kHeld,      // somebody holds it open: left alone
    kKept,      // a plain folder, or a file that may not be deleted: left alone
    kLinkKept,  // a link (or junction) that could not be removed as itself: left alone
};

// Deletes what lies at `path`, a name of the program's own temporary pattern, unless somebody
// holds it open (opening it without sharing fails then). A link or junction there is removed as
// itself and never followed: nothing it points at is opened for deletion. Where the platform
// follows a link all the same (Wine shows a Unix link as the file it points at), the open file's
// final path tells, and such a name is left alone as kLinkKept.
Removal RemoveUnlessHeld(const std::wstring& path);

// The full path the file functions would make of `path`, or nothing (empty) when none can be made.
std::wstring FullPathOf(const std::wstring& path);
// The folder part of a full path, with its closing backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& fullPath);

}  // namespace tarnwick
