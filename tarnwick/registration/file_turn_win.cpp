// Win32 only: the machine-wide mutex of a file's turn, and the removal of leftover temporary
// files.
#include "registration/file_turn_win.h"

#include <sddl.h>

#include <memory>

#include "platform/guarded_file_win.h"
#include "registration/file_turn.h"
#include "registration/guarded_update_testing_win.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

bool turnsTaken = true;

// A name folded to upper case, as the file system compares names.
std::wstring Folded(std::wstring name) {
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

// The file's own name, long: an 8.3 short name (which holds a tilde) is made long when the file
// exists; a file that does not exist yet cannot have a short name.
std::wstring LongNameOf(const std::wstring& fullPath, std::size_t folderLength) {
    std::wstring name = fullPath.substr(folderLength);
    if (name.find(L'~') == std::wstring::npos) return name;
    const DWORD size = GetLongPathNameW(fullPath.c_str(), nullptr, 0);
    if (size == 0) return name;
    std::wstring full(size, L'\0');
    const DWORD made = GetLongPathNameW(fullPath.c_str(), full.data(), size);
    if (made == 0 || made >= size) return name;
    full.resize(made);
    const std::size_t cut = full.find_last_of(L"\\/");
    return cut == std::wstring::npos ? name : full.substr(cut + 1);
}

// The folder's identity; a folder path keeps its closing backslash only at a drive's root.
FileIdentity FolderIdentityOf(std::wstring folder) {
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return IdentityOf(folder);
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

TurnTaking SwitchFileTurns(TurnTaking taking) {
    const TurnTaking was = turnsTaken ? TurnTaking::kOn : TurnTaking::kOff;
    turnsTaken = taking == TurnTaking::kOn;
    return was;
}

FileTurn::FileTurn(const std::wstring& fullPath) {
    const std::wstring folder = FolderOf(fullPath);
    if (fullPath.empty() || folder.empty()) return;
    const std::wstring name = Folded(LongNameOf(fullPath, folder.size()));
    temporaryName_ = TemporaryFileNameFor(name);
    if (!turnsTaken) {
        held_ = true;
        return;
    }
    // A folder that cannot be opened cannot receive the file either: its path names the turn.
    const FileIdentity identity = FolderIdentityOf(folder);
    const std::wstring turnName = identity.known ? FileTurnName(identity.index, name) : FileTurnName(Folded(fullPath));
    // A turn nobody else asks for is ours as it is made, without a wait. (The last error is cleared
    // first: a stale "already exists" would make us wait on a mutex we own, owning it twice.)
    SetLastError(ERROR_SUCCESS);
    (void)mutex_.Reset(
        CreateMutexExW(TurnSecurity(), turnName.c_str(), CREATE_MUTEX_INITIAL_OWNER, SYNCHRONIZE | MUTEX_MODIFY_STATE));
    if (!mutex_.valid()) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        held_ = true;
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), kFileTurnWaitMilliseconds);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

FileTurn::~FileTurn() {
    if (held_ && mutex_.valid()) ReleaseMutex(mutex_.get());
}

void RemoveLeftoverTemporaryFiles(const std::wstring& directory) {
    WIN32_FIND_DATAW found;
    const win::FindHandle search(
        FindFirstFileExW((directory + L"~tw*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search.valid()) return;
    do {
        // A plain folder is never one of ours; a junction or link of the pattern goes as itself.
        const DWORD attributes = found.dwFileAttributes;
        const bool plainFolder =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (plainFolder || !IsTemporaryFileName(found.cFileName)) continue;
        (void)RemoveUnlessHeld(directory + found.cFileName);
    } while (FindNextFileW(search.get(), &found));
}

bool RemoveOwnLeftover(const FileTurn& turn, const std::wstring& fullPath) {
    return !turn.temporaryName().empty() &&
           RemoveUnlessHeld(FolderOf(fullPath) + turn.temporaryName()) == Removal::kRemoved;
}

}  // namespace tarnwick
