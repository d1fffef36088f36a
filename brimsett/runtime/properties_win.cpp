// Win32 only: reading and writing the bound action's installer properties.
#include "runtime/properties_win.h"

#include <msi.h>
#include <msiquery.h>

#include <cstddef>

#include "runtime/action_log_win.h"
#include "runtime/failure_codes.h"
#include "runtime/installer_session_win.h"
#include "runtime/property_strings_win.h"

namespace brimsett {

HRESULT ReadProperty(const wchar_t* name, wchar_t** slot) {
    if (name == nullptr || name[0] == L'\0' || slot == nullptr) return E_INVALIDARG;
    const MSIHANDLE installer = ProcessRuntimeState().installerHandle;
    HRESULT hr = S_OK;
    std::size_t capacity = 0;

    if (*slot == nullptr) {
        wchar_t empty[1] = {L'\0'};
        DWORD length = 0;
        UINT status = MsiGetPropertyW(installer, name, empty, &length);
        if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
            capacity = static_cast<std::size_t>(length) + 1;
            hr = AllocateString(slot, capacity);
        } else {
            hr = FailureFromWin32(static_cast<LONG>(status));
        }
        if (FAILED(hr)) {
            LogFailure(hr, "Failed to allocate string for Property '%S'", name);
            return hr;
        }
    } else {
        hr = StringCapacity(*slot, &capacity);
        if (FAILED(hr)) {
            LogFailure(hr, "Failed to get previous size of property data string.");
            return hr;
        }
    }

    DWORD length = static_cast<DWORD>(capacity);
    UINT status = MsiGetPropertyW(installer, name, *slot, &length);
    if (status == ERROR_MORE_DATA) {
        capacity = static_cast<std::size_t>(length) + 1;
        hr = AllocateString(slot, capacity);
        if (FAILED(hr)) {
            LogFailure(hr, "Failed to allocate string for Property '%S'", name);
            return hr;
        }
        length = static_cast<DWORD>(capacity);
        status = MsiGetPropertyW(installer, name, *slot, &length);
    }
    hr = FailureFromWin32(static_cast<LONG>(status));
    if (FAILED(hr)) LogFailure(hr, "Failed to get data for property '%S'", name);
    return hr;
}

HRESULT WriteProperty(const wchar_t* name, const wchar_t* value) {
    if (name == nullptr || name[0] == L'\0' || value == nullptr) return E_INVALIDARG;
    UINT status = MsiSetPropertyW(ProcessRuntimeState().installerHandle, name, value);
    HRESULT hr = FailureFromWin32(static_cast<LONG>(status));
    if (FAILED(hr)) LogFailure(hr, "failed to set property: %S", name);
    return hr;
}

bool IsPropertyNonEmpty(const char* name) {
    char empty[1] = {'\0'};
    DWORD length = 0;
    MsiGetPropertyA(ProcessRuntimeState().installerHandle, name, empty, &length);
    return length > 0;
}

}  // namespace brimsett
