// Win32 only: RemoveExtraRegKey, CreateTempDir and ResetLangToDefault, the installer's
// housekeeping actions.
#include <windows.h>

#include <msi.h>

#include <optional>
#include <string>

#include "actions/action_platform_win.h"
#include "actions/action_text.h"
#include "runtime/action_frame_win.h"
#include "runtime/action_log_win.h"
#include "runtime/properties_win.h"
#include "runtime/property_strings_win.h"
#include "win/registry_key.h"

namespace brimsett {
namespace {

// The expanded directory path, terminator included.
constexpr std::size_t kExpandedPathCapacity = 250;

// A property read that the action cannot do without: its failure is written as the action's
// failure line and ends the action.
HRESULT RequiredProperty(const wchar_t* name, PropertyString& value, const char* failureMessage) {
    HRESULT hr = ReadProperty(name, value.slot());
    if (FAILED(hr)) LogFailure(hr, "%s", failureMessage);
    return hr;
}

HRESULT RemoveComponentRegistration() {
    LogMessage(LogLevel::kStandard, "Initialized.");
    PropertyString userSid;
    HRESULT hr = RequiredProperty(L"UserSID", userSid, "Failed to get UserSID");
    if (FAILED(hr)) return hr;
    // The module's own registry view; a key that is absent or has subkeys stays as it is.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ComponentKeyPath(userSid.get()).c_str());
    return S_OK;
}

HRESULT CreateDirectoryFromProperty() {
    LogMessage(LogLevel::kStandard, "Initialized.");
    PropertyString tempDir;
    HRESULT hr = RequiredProperty(L"TEMPDIR", tempDir, "Failed to get TEMPDIR");
    if (FAILED(hr)) return hr;
    // An expansion that does not fit is not created at all: a cut path would name another
    // directory.
    const std::optional<std::wstring> expanded = ExpandEnvironment(tempDir.get());
    if (!expanded || expanded->size() >= kExpandedPathCapacity) return S_OK;
    // A missing parent or any other failure to create it is passed over, as always.
    if (CreateDirectoryW(expanded->c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) return S_OK;
    // Someone was first: in a per-machine installation [TempFolder] is a folder where every user
    // can create names. The rest of the setup trusts this directory, so it must be a plain one
    // that the installation's own accounts own, never a link to elsewhere.
    hr = TrustExistingDirectory(expanded->c_str());
    if (FAILED(hr)) LogFailure(hr, "Failed to create TEMPDIR");
    return hr;
}

// A property read whose failure the action passes over; a failed read stands for empty text.
std::wstring OptionalProperty(const wchar_t* name) {
    PropertyString value;
    if (FAILED(ReadProperty(name, value.slot()))) return std::wstring();
    return value.get();
}

HRESULT ResetProductLanguage() {
    PropertyString installDirValue;
    HRESULT hr = RequiredProperty(L"PRODUCT_INSTALLDIR", installDirValue, "Failed to get PRODUCT_INSTALLDIR");
    if (FAILED(hr)) return hr;
    std::wstring installDir = installDirValue.get();
    std::wstring productKeyPath = OptionalProperty(L"PRODUCT_REGKEY");
    std::wstring environmentKeyPath = OptionalProperty(L"PRODUCT_ENV_REGKEY");
    std::wstring productCode = OptionalProperty(L"GLOBPRODUCTCODE");
    std::wstring productName = OptionalProperty(L"GLOBPRODUCTNAME");
    std::wstring productAbbreviation = OptionalProperty(L"PRODUCT_ABBR");
    std::wstring localeName = OptionalProperty(L"PRODUCT_LOCALE_NAME");

    // Without a product key there is no installed product to reset; an empty path would
    // name HKEY_LOCAL_MACHINE itself, so it counts as an absent key.
    if (productKeyPath.empty()) return S_OK;
    win::RegistryKey productKey;
    LONG status =
        productKey.Open(HKEY_LOCAL_MACHINE, productKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;

    // An empty product name would name the list of installed programs itself.
    win::RegistryKey uninstallKey;
    if (!productName.empty())
        (void)uninstallKey.Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(productName), KEY_SET_VALUE | KEY_WOW64_64KEY);

    if (productKey.valid()) {
        (void)productKey.WriteString(L"Locale", L"en-US");
        (void)productKey.WriteString(L"Language", L"English");
        (void)productKey.WriteString(L"EulaFile", L"English.rtf");
    }

    if (!environmentKeyPath.empty()) {
        win::RegistryKey environmentKey;
        if (environmentKey.Open(HKEY_LOCAL_MACHINE, environmentKeyPath,
                                KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY) == ERROR_SUCCESS &&
            environmentKey.ReadString(localeName.c_str(), {}).status == ERROR_SUCCESS) {
            (void)environmentKey.WriteString(localeName.c_str(), L"ENU");
        }
    }

    std::wstring command = UninstallCommand(installDir, productCode, productAbbreviation);
    if (uninstallKey.valid()) {
        (void)uninstallKey.WriteString(L"UninstallString", command);
        (void)uninstallKey.WriteString(L"UninstallPath", command);
    }
    return S_OK;
}

}  // namespace
}  // namespace brimsett

extern "C" UINT __stdcall RemoveExtraRegKey(MSIHANDLE installer) {
    return brimsett::RunAction(installer, "RemoveExtraRegKey", [] { return brimsett::RemoveComponentRegistration(); });
}

extern "C" UINT __stdcall CreateTempDir(MSIHANDLE installer) {
    return brimsett::RunAction(installer, "CreateTempDir", [] { return brimsett::CreateDirectoryFromProperty(); });
}

extern "C" UINT __stdcall ResetLangToDefault(MSIHANDLE installer) {
    return brimsett::RunAction(installer, "ResetLangToDefault", [] { return brimsett::ResetProductLanguage(); });
}
