// Win32 only: the machine-wide mutex of a file's turn, the private namespace of an elevated run's
// turns, and the removal of leftover temporary files.
#include "registration/file_turn_win.h"

#include <sddl.h>

#include <climits>
#include <memory>

#include "platform/guarded_file_win.h"
#include "registration/file_step_seams_win.h"
#include "registration/file_turn.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

// A name folded to upper case, as the file system compares names: a simple mapping, character for
// character, independent of the user's locale (kernel32's, so that the program loads no user32).
std::wstring Folded(std::wstring name) {
    if (name.empty() || name.size() > INT_MAX) return name;
    const int size = static_cast<int>(name.size());
    std::wstring upper(name.size(), L'\0');
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), size, upper.data(), size, nullptr, nullptr,
                      0) != size)
        return name;
    return upper;
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

// A security descriptor made from its text, for objects that a run creates.
class SecurityOfText {
public:
    explicit SecurityOfText(const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &made, nullptr)) {
            descriptor_.reset(made);
        }
        attributes_.lpSecurityDescriptor = descriptor_.get();
    }
    // Null when the text could not be made into a descriptor (no memory).
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    std::unique_ptr<void, LocalFreeDeleter> descriptor_;
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// The security of a turn's mutex, made once per run. A global one: every account may wait for and
// release it, whoever's run made it first, so that the unelevated runs of all users see each
// other's turns (SYSTEM and administrators: all access; authenticated users: wait and release). One
// in the private namespace: SYSTEM and administrators only.
SECURITY_ATTRIBUTES* TurnSecurity(TurnPlace place) {
    static SecurityOfText global(L"D:(A;;0x1F0001;;;SY)(A;;0x1F0001;;;BA)(A;;0x100001;;;AU)");
    static SecurityOfText administrators(L"D:P(A;;0x1F0001;;;SY)(A;;0x1F0001;;;BA)");
    return place == TurnPlace::kAdministrators ? administrators.attributes() : global.attributes();
}

// The Win32 steps towards the private namespace of the turns. The boundary is let go once the
// choice is made; a namespace created or opened is never closed, so that it lives as long as the
// run (a namespace ends with the last handle to it) and the process's end closes it.
class PlatformTurnPlaceSteps final : public TurnPlaceSteps {
public:
    PlatformTurnPlaceSteps() {
        DWORD size = sizeof(administrators_);
        haveSid_ = CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &size) != FALSE;
    }
    ~PlatformTurnPlaceSteps() override {
        if (boundary_ != nullptr) DeleteBoundaryDescriptor(boundary_);
    }
    PlatformTurnPlaceSteps(const PlatformTurnPlaceSteps&) = delete;
    PlatformTurnPlaceSteps& operator=(const PlatformTurnPlaceSteps&) = delete;

    bool MakeBoundary() override {
        boundary_ = CreateBoundaryDescriptorW(std::wstring(kTurnBoundaryName).c_str(), 0);
        return boundary_ != nullptr;
    }
    // The token's Administrators group enabled is exactly what the boundary asks of every run that
    // creates or opens the namespace: true for SYSTEM, an administrator with UAC off and an
    // elevated one; false for a UAC-filtered administrator (the group for deny only) and a user.
    bool Elevated() override {
        BOOL member = FALSE;
        return haveSid_ && CheckTokenMembership(nullptr, administrators_, &member) && member;
    }
    bool AddAdministrators() override { return AddSIDToBoundaryDescriptor(&boundary_, administrators_) != FALSE; }
    // Only administrators and SYSTEM may open the namespace or make names in it.
    Creation CreateNamespace() override {
        static SecurityOfText security(L"D:P(A;;GA;;;SY)(A;;GA;;;BA)");
        if (security.attributes() == nullptr) return Creation::kFailed;
        const HANDLE made =
            CreatePrivateNamespaceW(security.attributes(), boundary_, std::wstring(kTurnNamespaceAlias).c_str());
        if (made != nullptr) return Creation::kCreated;
        return GetLastError() == ERROR_ALREADY_EXISTS ? Creation::kExists : Creation::kFailed;
    }
    bool OpenNamespace() override {
        return OpenPrivateNamespaceW(boundary_, std::wstring(kTurnNamespaceAlias).c_str()) != nullptr;
    }

private:
    alignas(SID) BYTE administrators_[SECURITY_MAX_SID_SIZE] = {};
    bool haveSid_ = false;
    HANDLE boundary_ = nullptr;
};

}  // namespace

TurnPlace TurnPlaceOfThisRun() {
    static const TurnPlace place = [] {
        PlatformTurnPlaceSteps steps;
        return ChooseTurnPlace(steps);
    }();
    return place;
}

FileTurnMutex::FileTurnMutex(const std::wstring& fullPath) {
    const std::wstring folder = FolderOf(fullPath);
    if (fullPath.empty() || folder.empty()) return;
    const std::wstring name = Folded(LongNameOf(fullPath, folder.size()));
    temporaryName_ = TemporaryFileNameFor(name);
    if (!FileTurnsTaken()) {
        held_ = true;
        return;
    }
    // A folder that cannot be opened cannot receive the file either: its path names the turn.
    const FileIdentity identity = FolderIdentityOf(folder);
    const TurnPlace place = TurnPlaceOfThisRun();
    const std::wstring turnName =
        identity.known ? FileTurnName(identity.index, name, place) : FileTurnName(Folded(fullPath), place);
    // A turn nobody else asks for is ours as it is made, without a wait. (The last error is cleared
    // first: a stale "already exists" would make us wait on a mutex we own, owning it twice.)
    SetLastError(ERROR_SUCCESS);
    (void)mutex_.Reset(CreateMutexExW(TurnSecurity(place), turnName.c_str(), CREATE_MUTEX_INITIAL_OWNER,
                                      SYNCHRONIZE | MUTEX_MODIFY_STATE));
    if (!mutex_.valid()) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        held_ = true;
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), kFileTurnWaitMilliseconds);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

FileTurnMutex::~FileTurnMutex() {
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

bool RemoveOwnLeftover(const FileTurnMutex& turn, const std::wstring& fullPath) {
    return !turn.temporaryName().empty() &&
           RemoveUnlessHeld(FolderOf(fullPath) + turn.temporaryName()) == Removal::kRemoved;
}

}  // namespace tarnwick
