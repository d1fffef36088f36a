// Win32 only: each registry file and spare file changed under its turn, through a held read and a
// held temporary file; whatever is passed over named on standard error.
#include <windows.h>

#include <new>
#include <optional>
#include <stdexcept>

#include "platform/ansi_text_win.h"
#include "platform/guarded_file_win.h"
#include "registration/application_entry.h"
#include "registration/file_step_seams_win.h"
#include "registration/file_turn.h"
#include "registration/file_turn_win.h"
#include "registration/guarded_update_win.h"
#include "registration/registry_file.h"
#include "skipped_file.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

// How often a file is read and merged again when another program keeps changing it meanwhile.
constexpr int kMergeAttempts = 8;

void Report(const std::string& path, FileFailure reason) {
    WriteErrorLine(SkippedFileLine(path, reason));
}

// Writes the new bytes beside the file; a leftover of a killed run found under the file's own
// temporary name is the one sign that older leftovers may lie in the folder too.
bool WriteReplacement(ReplacementFile& replacement, const FileTurnMutex& turn, const std::wstring& fullPath,
                      std::string_view bytes, const FileSnapshot& old, HANDLE model) {
    const bool written =
        replacement.Write(fullPath, bytes, old, model, turn.temporaryName(), &TemporaryFileName, &CarrySecurityStep);
    if (replacement.leftoverSeen()) RemoveLeftoverTemporaryFiles(FolderOf(fullPath));
    return written;
}

// Runs `step` (turn, path) on the file where it really lives, `finalPath`, under that path's turn:
// every spelling of a file, links included, takes the turn of the one file it names. `followed`
// says that the path was already one found so; should it lead elsewhere again, a link is being
// changed meanwhile.
template <typename Step>
FileFailure UnderFinalPathTurn(bool followed, const std::wstring& finalPath, Step&& step) {
    if (followed) return FileFailure::kKeptChanging;
    const FileTurnMutex turn(finalPath);
    return turn.held() ? step(turn, finalPath) : FileFailure::kNoTurn;
}

// Reads, merges and replaces the file until a merge is put in place over the bytes it was made from.
FileFailure MergeUnderTurn(const FileTurnMutex& turn, const std::wstring& fullPath, std::string_view name,
                           const std::vector<std::string>* entry, RegistryFileBuffers& buffers, bool followed) {
    for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
        HeldFile original;
        const FileFailure read = original.Read(fullPath, buffers.read);
        if (read != FileFailure::kNone && read != FileFailure::kNotFound) return read;
        // A link, or a path through a junction: the file is read, merged and replaced where it
        // really lives, beside its target, and the link stays a link.
        if (read == FileFailure::kNone && !SamePath(original.finalPath(), fullPath)) {
            const std::wstring finalPath = original.finalPath();
            original.Release();
            return UnderFinalPathTurn(followed, finalPath,
                                      [&](const FileTurnMutex& finalTurn, const std::wstring& path) {
                                          return MergeUnderTurn(finalTurn, path, name, entry, buffers, true);
                                      });
        }
        std::optional<std::string_view> existing;
        if (read == FileFailure::kNone) existing = buffers.read;
        if (!MergeRegistryFile(existing, name, entry, buffers.merged)) return FileFailure::kNone;  // nothing to change
        const FileSnapshot asRead = original.snapshot();
        if (asRead.exists && (asRead.data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
            return FileFailure::kReadOnly;
        ReplacementFile replacement;
        if (!WriteReplacement(replacement, turn, fullPath, buffers.merged, asRead, original.handle())) {
            return replacement.failure();
        }
        // Every run takes the file's turn, so only another program can have changed it, and only
        // from here on: until now it was held against writers. A change means reading again; the
        // file's identity shows a replacement even where its size and times match.
        original.Release();
        BeforeSnapshotCheck(fullPath);
        FileSnapshot now;
        if (!SnapshotOf(fullPath, now, asRead.identity.known)) return FileFailure::kUnreadable;
        if (!SameSnapshot(asRead, now)) continue;
        if (replacement.RenameOverTarget(asRead.exists)) return FileFailure::kNone;
        if (!replacement.targetAppeared()) return replacement.failure();
    }
    return FileFailure::kKeptChanging;
}

// The merge; a file too large for the process's memory is left as it is, like an unreadable one,
// and the next loadpoint starts with buffers of its own size again.
FileFailure MergeWithinMemory(const FileTurnMutex& turn, const std::wstring& fullPath, std::string_view name,
                              const std::vector<std::string>* entry, RegistryFileBuffers& buffers) {
    try {
        return MergeUnderTurn(turn, fullPath, name, entry, buffers, false);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    buffers = RegistryFileBuffers();
    return FileFailure::kTooLarge;
}

// Runs `step` (turn, full path) under the turn of the file at `path` and names the file on
// standard error, as `shown`, when it is passed over: with `noPath` when its full path cannot be
// made, kNoTurn when the turn does not come, or whatever the step gives.
template <typename Step>
void WithFileTurn(const std::optional<std::wstring>& path, const std::string& shown, FileFailure noPath, Step&& step) {
    const std::wstring fullPath = path ? FullPathOf(*path) : std::wstring();
    std::optional<FileTurnMutex> turn;
    if (!fullPath.empty()) turn.emplace(fullPath);
    const FileFailure failure = !turn ? noPath : !turn->held() ? FileFailure::kNoTurn : step(*turn, fullPath);
    if (failure != FileFailure::kNone) Report(shown, failure);
}

// Writes the spare file's new bytes beside it (where it really lives, when it is a link) and puts
// them in place over whatever is there.
FileFailure WriteSpareUnderTurn(const FileTurnMutex& turn, const std::wstring& fullPath, std::string_view content,
                                bool followed) {
    FileSnapshot snapshot;
    if (!SnapshotOf(fullPath, snapshot)) return FileFailure::kUnreadable;
    const DWORD attributes = snapshot.exists ? snapshot.data.dwFileAttributes : 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileFailure::kUnreadable;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return FileFailure::kReadOnly;
    ReplacementFile replacement;
    {
        // The old spare file, open for what the new one takes over from it (its security, its
        // streams); let go before the rename.
        win::FileHandle model =
            snapshot.exists ? win::OpenSharingAll(fullPath.c_str(), GENERIC_READ) : win::FileHandle();
        if (snapshot.exists && !model.valid()) {
            return GetLastError() == ERROR_SHARING_VIOLATION ? FileFailure::kHeldOpen : FileFailure::kUnreadable;
        }
        if (model.valid()) {
            const std::wstring finalPath = FinalPathOf(model.get());
            if (finalPath.empty()) return FileFailure::kNoFinalPath;
            if (!SamePath(finalPath, fullPath)) {
                (void)model.Reset();
                return UnderFinalPathTurn(followed, finalPath,
                                          [&](const FileTurnMutex& finalTurn, const std::wstring& path) {
                                              return WriteSpareUnderTurn(finalTurn, path, content, true);
                                          });
            }
        }
        if (!WriteReplacement(replacement, turn, fullPath, content, snapshot, model.get()))
            return replacement.failure();
    }
    // The spare file holds the entry and nothing else: whatever is there now is replaced.
    return replacement.RenameOverTarget(true) ? FileFailure::kNone : replacement.failure();
}

}  // namespace

void UpdateRegistryFile(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                        RegistryFileBuffers& buffers) {
    WithFileTurn(WidenFilePath(path), path, FileFailure::kUnreadable,
                 [&](const FileTurnMutex& turn, const std::wstring& fullPath) {
                     return MergeWithinMemory(turn, fullPath, name, entry, buffers);
                 });
}

void WriteSpareRegistryFile(const RunOptions& options, const std::wstring& path, std::wstring_view executable) {
    std::optional<std::string> content = BuildSpareRegistryFile(options, executable);
    if (!content) return;  // a value the file cannot store: the old file stays as it was
    WithFileTurn(path, AnsiText(path), FileFailure::kUnreadable,
                 [&](const FileTurnMutex& turn, const std::wstring& fullPath) {
                     return WriteSpareUnderTurn(turn, fullPath, *content, false);
                 });
}

void DeleteSpareRegistryFile(const std::wstring& path) {
    WithFileTurn(path, AnsiText(path), FileFailure::kNotDeleted,
                 [](const FileTurnMutex& turn, const std::wstring& fullPath) {
                     if (RemoveOwnLeftover(turn, fullPath)) RemoveLeftoverTemporaryFiles(FolderOf(fullPath));
                     if (DeleteFileW(fullPath.c_str())) return FileFailure::kNone;
                     const DWORD error = GetLastError();
                     if (IsAbsence(error)) return FileFailure::kNone;
                     return error == ERROR_SHARING_VIOLATION ? FileFailure::kHeldOpen : FileFailure::kNotDeleted;
                 });
}

}  // namespace tarnwick
