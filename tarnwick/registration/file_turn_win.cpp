// Win32 only: the machine-wide mutex of a file's turn, and the removal of leftover temporary
// files.
#include "registration/file_turn_win.h"

#include <sddl.h>

#include <memory>

#include "platform/scoped_handle_win.h"
#include "registration/file_turn.h"

namespace tarnwick {

namespace {

// The full path folded to upper case, as the file system compares names.
std::wstring Folded(std::wstring fullPath) {
    if (!fullPath.empty()) CharUpperBuffW(fullPath.data(), static_cast<DWORD>(fullPath.size()));
    return fullPath;
}

struct LocalFreeDeleter {
    void operator()(void* block) const { LocalFree(block); }
};

// Every account may wait for and release a turn, whoever's run made the mutex first: an elevated
// installer and a user's run must see each other's turns. Made once per run.
SECURITY_ATTRIBUTES* TurnSecurity() {
    static std::unique_ptr<void, LocalFreeDeleter> descriptor = [] {
        PSECURITY_DESCRIPTOR made = nullptr;
        // SYSTEM and administrators: all access; authenticated users: wait and release.
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:(A;;0x1F0001;;;SY)(A;;0x1F0001;;;BA)(A;;0x100001;;;AU)", SDDL_REVISION_1, &made, nullptr)) {
            made = nullptr;
        }
        return std::unique_ptr<void, LocalFreeDeleter>(made);
    }();
    static SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    return descriptor ? &attributes : nullptr;
}

}  // namespace

FileTurn::FileTurn(const std::wstring& fullPath) {
    const std::wstring folded = Folded(fullPath);
    if (folded.empty()) return;
    // A turn nobody else asks for is ours as it is made, without a wait. (The last error is cleared
    // first: a stale "already exists" would make us wait on a mutex we own, owning it twice.)
    SetLastError(ERROR_SUCCESS);
    mutex_ = CreateMutexExW(TurnSecurity(), FileTurnName(folded).c_str(), CREATE_MUTEX_INITIAL_OWNER,
                            SYNCHRONIZE | MUTEX_MODIFY_STATE);
    if (mutex_ == nullptr) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        held_ = true;
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_, kFileTurnWaitMilliseconds);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

FileTurn::~FileTurn() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

void RemoveLeftoverTemporaryFiles(const std::wstring& directory) {
    WIN32_FIND_DATAW found;
    const FindHandle search(
        FindFirstFileExW((directory + L"~tw*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search.valid()) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsTemporaryFileName(found.cFileName)) continue;
        // Opening without sharing fails while anyone holds the file; closing deletes it.
        FileHandle leftover(CreateFileW((directory + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace tarnwick
