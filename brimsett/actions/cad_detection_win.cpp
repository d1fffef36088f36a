// Win32 only: CheckForSolidWorks and CheckForPelliton, which find a CAD application's
// executable through its COM local-server registration and hand the path to the installer.
#include <windows.h>

#include <msi.h>

#include <span>
#include <string>

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
    wchar_t command[kServerCommandUnits + 1] = {};
    status = key.ReadString(nullptr, std::span(command, kServerCommandUnits)).status;
    if (status != ERROR_SUCCESS) {
        hr = FailureFromWin32(status);
        LogFailure(hr, "Failed to get registry value");
        return hr;
    }

    std::wstring path(CutServerCommand(TextInBuffer(command, kServerCommandUnits)));
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
