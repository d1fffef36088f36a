// Win32 only: each registry file and spare file changed under its turn, through a held read and a
// held temporary file; whatever is passed over named on standard error.
#include <windows.h>

#include <new>
#include <stdexcept>

#include "passed_over.h"
#include "platform/ansi_text_win.h"
#include "platform/guarded_file_win.h"
#include "registration/application_entry.h"
#include "registration/file_turn.h"
#include "registration/file_turn_win.h"
#include "registration/guarded_update_testing_win.h"
#include "registration/guarded_update_win.h"
#include "registration/registry_file.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

// How often a file is read and merged again when another program keeps changing it meanwhile.
constexpr int kMergeAttempts = 8;

BeforeStampCheck beforeStampCheck = nullptr;

void Report(const std::string& path, FileFailure reason) {
    WriteErrorLine(PassedOverLine(path, reason));
}

// Writes the new bytes beside the file; a leftover of a killed run found under the file's own
// temporary name is the one sign that older leftovers may lie in the folder too.
bool WriteReplacement(ReplacementFile& replacement, const FileTurn& turn, const std::wstring& fullPath,
                      std::string_view bytes, const FileStamp& old, HANDLE model) {
    const bool written = replacement.Write(fullPath, bytes, old, model, turn.temporaryName(), &TemporaryFileName);
    if (replacement.leftoverSeen()) RemoveLeftoverTemporaryFiles(FolderOf(fullPath));
    return written;
}

void MergeUnderTurn(const FileTurn& turn, const std::wstring& fullPath, const std::string& shown, std::string_view name,
                    const std::vector<std::string>* entry, RegistryFileBuffers& buffers) {
    for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
        HeldFile original;
        const FileFailure read = original.Read(fullPath, buffers.read);
        if (read != FileFailure::kNone && read != FileFailure::kNotFound) return Report(shown, read);
        std::optional<std::string_view> existing;
        if (read == FileFailure::kNone) existing = buffers.read;
        if (!MergeRegistryFile(existing, name, entry, buffers.merged)) return;  // nothing to change
        const FileStamp asRead = original.stamp();
        if (asRead.exists && (asRead.data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return Report(shown, FileFailure::kReadOnly);
        }
        ReplacementFile replacement;
        if (!WriteReplacement(replacement, turn, fullPath, buffers.merged, asRead, original.handle())) {
            return Report(shown, replacement.failure());
        }
        // Every run takes the file's turn, so only another program can have changed it, and only
        // from here on: until now it was held against writers. A change means reading again; the
        // file's identity shows a replacement even where its size and times match.
        original.Release();
        if (beforeStampCheck != nullptr) beforeStampCheck(fullPath);
        FileStamp now;
        if (!StampOf(fullPath, now, asRead.identity.known)) return Report(shown, FileFailure::kUnreadable);
        if (!SameStamp(asRead, now)) continue;
        if (replacement.PutInPlace(asRead.exists)) return;
        if (!replacement.targetAppeared()) return Report(shown, replacement.failure());
    }
    Report(shown, FileFailure::kKeptChanging);
}

}  // namespace

BeforeStampCheck ReplaceBeforeStampCheck(BeforeStampCheck hook) {
    const BeforeStampCheck replaced = beforeStampCheck;
    beforeStampCheck = hook;
    return replaced;
}

void UpdateRegistryFile(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                        RegistryFileBuffers& buffers) {
    const std::optional<std::wstring> wide = WidenFilePath(path);
    const std::wstring fullPath = wide ? FullPathOf(*wide) : std::wstring();
    if (fullPath.empty()) return Report(path, FileFailure::kUnreadable);
    const FileTurn turn(fullPath);
    if (!turn.held()) return Report(path, FileFailure::kNoTurn);
    try {
        MergeUnderTurn(turn, fullPath, path, name, entry, buffers);
    } catch (const std::bad_alloc&) {
        // A file too large for the process's memory is left as it is, like an unreadable one;
        // the next loadpoint starts with buffers of its own size again.
        buffers = RegistryFileBuffers();
        Report(path, FileFailure::kTooLarge);
    } catch (const std::length_error&) {
        buffers = RegistryFileBuffers();
        Report(path, FileFailure::kTooLarge);
    }
}

void WriteSpareRegistryFile(const RunOptions& options, const std::wstring& path, std::wstring_view executable) {
    std::optional<std::string> content = BuildSpareRegistryFile(options, executable);
    if (!content) return;  // a value the file cannot store: the old file stays as it was
    const std::string shown = AnsiText(path);
    const std::wstring fullPath = FullPathOf(path);
    if (fullPath.empty()) return Report(shown, FileFailure::kUnreadable);
    const FileTurn turn(fullPath);
    if (!turn.held()) return Report(shown, FileFailure::kNoTurn);
    FileStamp stamp;
    if (!StampOf(fullPath, stamp)) return Report(shown, FileFailure::kUnreadable);
    const DWORD attributes = stamp.exists ? stamp.data.dwFileAttributes : 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Report(shown, FileFailure::kUnreadable);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return Report(shown, FileFailure::kReadOnly);
    ReplacementFile replacement;
    {
        // The old spare file, open for what the new one takes over from it (its security, its
        // streams); let go before the rename.
        const win::FileHandle model(stamp.exists ? CreateFileW(fullPath.c_str(), GENERIC_READ,
                                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                                 : INVALID_HANDLE_VALUE);
        if (stamp.exists && !model.valid()) {
            return Report(
                shown, GetLastError() == ERROR_SHARING_VIOLATION ? FileFailure::kHeldOpen : FileFailure::kUnreadable);
        }
        if (!WriteReplacement(replacement, turn, fullPath, *content, stamp, model.get())) {
            return Report(shown, replacement.failure());
        }
    }
    // The spare file holds the entry and nothing else: whatever is there now is replaced.
    if (!replacement.PutInPlace(true)) Report(shown, replacement.failure());
}

void DeleteSpareRegistryFile(const std::wstring& path) {
    const std::string shown = AnsiText(path);
    const std::wstring fullPath = FullPathOf(path);
    if (fullPath.empty()) return Report(shown, FileFailure::kNotDeleted);
    const FileTurn turn(fullPath);
    if (!turn.held()) return Report(shown, FileFailure::kNoTurn);
    if (RemoveOwnLeftover(turn, fullPath)) RemoveLeftoverTemporaryFiles(FolderOf(fullPath));
    if (DeleteFileW(fullPath.c_str())) return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    Report(shown, error == ERROR_SHARING_VIOLATION ? FileFailure::kHeldOpen : FileFailure::kNotDeleted);
}

}  // namespace tarnwick
