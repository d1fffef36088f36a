// Win32 only: environment expansion and the trust of an existing directory, for the actions.
#include "actions/action_platform_win.h"

#include <aclapi.h>

#include <algorithm>

#include "runtime/failure_codes.h"
#include "win/scoped_handle.h"

namespace brimsett {
namespace {

// "The object manager encountered a reparse point while retrieving an object."
constexpr LONG kReparsePointEncountered = 4395;

SidBytes CopySid(PSID sid) {
    const auto* bytes = static_cast<const BYTE*>(sid);
    return SidBytes(bytes, bytes + GetLengthSid(sid));
}

std::optional<SidBytes> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    SidBytes sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return std::nullopt;
    sid.resize(size);
    return sid;
}

// The user of the thread's token when it impersonates, else of the process's.
std::optional<SidBytes> TokenUser() {
    HANDLE opened = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &opened) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return std::nullopt;
    const win::KernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), ::TokenUser, buffer.data(), size, &size)) return std::nullopt;
    return CopySid(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

HRESULT FromLastError() {
    return FailureFromLastError(GetLastError());
}

}  // namespace

std::optional<std::wstring> ExpandEnvironment(const wchar_t* text) {
    std::wstring expanded(64, L'\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsW(text, expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0) return std::nullopt;
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);  // the count holds the terminator
            return expanded;
        }
        expanded.resize(needed);  // the environment may change between two calls: ask again
    }
}

std::vector<SidBytes> InstallationOwners() {
    std::vector<SidBytes> owners;
    for (auto sid : {WellKnownSid(WinBuiltinAdministratorsSid), WellKnownSid(WinLocalSystemSid), TokenUser()})
        if (sid) owners.push_back(std::move(*sid));
    return owners;
}

HRESULT TrustExistingDirectory(const wchar_t* path, const std::vector<SidBytes>& trustedOwners) {
    const win::FileHandle directory = win::OpenSharingAll(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    if (!directory.valid()) return FromLastError();
    FILE_ATTRIBUTE_TAG_INFO attributes{};
    if (!GetFileInformationByHandleEx(directory.get(), FileAttributeTagInfo, &attributes, sizeof attributes))
        return FromLastError();
    if ((attributes.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return FailureFromWin32(kReparsePointEncountered);
    if ((attributes.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FailureFromWin32(ERROR_ALREADY_EXISTS);

    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = GetSecurityInfo(directory.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                         nullptr, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) return FailureFromWin32(static_cast<LONG>(status));
    const bool trusted = owner != nullptr && IsValidSid(owner) &&
                         std::any_of(trustedOwners.begin(), trustedOwners.end(), [&](const SidBytes& sid) {
                             return EqualSid(owner, const_cast<BYTE*>(sid.data())) != FALSE;
                         });
    LocalFree(descriptor);
    return trusted ? S_OK : FailureFromWin32(ERROR_INVALID_OWNER);
}

}  // namespace brimsett
