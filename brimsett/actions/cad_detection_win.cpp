// Win32 only: CheckForSolidWorks and CheckForPelliton, which find a CAD application's
// executable through its COM local-server registration and hand the path to the installer.
#include <windows.h>

#include <msi.h>

#include <optional>
#include <span>
#include <string>

#include "actions/action_platform_win.h"
#include "actions/action_text.h"
#include "runtime/action_frame_win.h"
#include "runtime/action_log_win.h"
#include "runtime/failure_codes.h"
#include "runtime/properties_win.h"
#include "runtime/property_strings_win.h"
#include "win/registry_key.h"

namespace brimsett {
namespace {

// The default value is queried with 400 bytes (200 units); one more unit, always null, ends a
// value that fills the 400 bytes without a terminator.
constexpr DWORD kServerCommandBytes = 400;
constexpr std::size_t kServerCommandUnits = kServerCommandBytes / sizeof(wchar_t);

// Opens the file for reading without denying others any access, and closes it at once. A
// directory does not open this way, nor does a file someone holds without read sharing.
bool FileOpensForReading(const std::wstring& path) {
    const win::FileHandle file = win::OpenSharingAll(path.c_str(), GENERIC_READ);
    return file.valid();
}

// The default value of the local-server key as text: a REG_SZ as it is, a REG_EXPAND_SZ with its
// environment references expanded. A value of any other type counts as absent
// (ERROR_FILE_NOT_FOUND), whatever its size. Nothing when the value is not there, does not fit
// or cannot be expanded (ERROR_INVALID_DATA), with the status in `status`.
std::optional<std::wstring> ReadServerCommand(const win::RegistryKey& key, LONG& status) {
    wchar_t command[kServerCommandUnits + 1] = {};
    const win::StringRead read = key.ReadString(nullptr, std::span(command, kServerCommandUnits));
    status = read.status;
    const bool isText = read.type == REG_SZ || read.type == REG_EXPAND_SZ;
    if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && !isText) status = ERROR_FILE_NOT_FOUND;
    if (status != ERROR_SUCCESS) return std::nullopt;
    const std::wstring text(TextInBuffer(command, kServerCommandUnits));
    if (read.type == REG_SZ) return text;
    std::optional<std::wstring> expanded = ExpandEnvironment(text.c_str());
    if (!expanded) status = ERROR_INVALID_DATA;
    return expanded;
}

HRESULT DetectApplication(const wchar_t* classIdProperty, const wchar_t* locationProperty) {
    PropertyString classId;
    HRESULT hr = ReadProperty(classIdProperty, classId.slot());
    if (FAILED(hr)) {
        LogFailure(hr, "Failed to get CLSID");
        return hr;
    }

    std::wstring keyPath = LocalServerKeyPath(classId.get());
    win::RegistryKey key;
    LONG status = key.Open(HKEY_CLASSES_ROOT, keyPath, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;  // not registered as a local server
    if (status != ERROR_SUCCESS) {
        hr = FailureFromWin32(status);
        LogFailure(hr, "Failed to get registry key");
        return hr;
    }

    LogMessage(LogLevel::kStandard, "Getting registry value %s\\(Default)", LowByteCopy(keyPath).c_str());
    std::optional<std::wstring> command = ReadServerCommand(key, status);
    if (!command) {
        hr = FailureFromWin32(status);
        LogFailure(hr, "Failed to get registry value");
        return hr;
    }

    std::wstring path(CutServerCommand(*command));
    LogMessage(LogLevel::kStandard, "Looking for file %s", LowByteCopy(path).c_str());
    if (!FileOpensForReading(path)) return S_OK;  // missing or unreadable: not installed

    hr = WriteProperty(locationProperty, path.c_str());
    if (FAILED(hr)) {
        LogFailure(hr, "Failed to set location of CAD path");
        return hr;
    }
    return S_OK;
}

}  // namespace

UINT CheckForCADApplication(const wchar_t* classIdProperty, MSIHANDLE installer, const wchar_t* locationProperty) {
    return RunAction(installer, "CheckForCADApplication",
                     [&] { return DetectApplication(classIdProperty, locationProperty); });
}

}  // namespace brimsett

extern "C" UINT __stdcall CheckForSolidWorks(MSIHANDLE installer) {
    return brimsett::CheckForCADApplication(L"SOLIDWORKS_CLSID", installer, L"SOLIDWORKS_LOCATION");
}

extern "C" UINT __stdcall CheckForPelliton(MSIHANDLE installer) {
    return brimsett::CheckForCADApplication(L"PELLITON_CLSID", installer, L"PELLITON_LOCATION");
}
