// Win32 only: binding an action to its installer handle, properties and installer messages.
#include "runtime/wcautil.h"

#include "runtime/failure_codes.h"
#include "runtime/fileutil.h"
#include "runtime/runtime_state.h"
#include "runtime/strutil.h"
#include "runtime/wcalog.h"
#include "runtime/wcautil_testing.h"

namespace brimsett {
namespace {

constexpr UINT kUserExit = 1602;  // ERROR_INSTALL_USEREXIT
constexpr DWORD kModulePathCapacity = 260;

ActiveDatabaseQuery activeDatabaseQuery = &MsiGetActiveDatabase;

// Releases the action's database handle and unbinds the action.
void Unbind() {
    RuntimeState& state = runtimeState;
    if (state.databaseHandle != 0) {
        MsiCloseHandle(state.databaseHandle);
        state.databaseHandle = 0;
    }
    state.installerHandle = 0;
    state.initialised = false;
}

// A failed initialisation leaves the action unbound.
HRESULT AbandonInitialisation(HRESULT failure) {
    Unbind();
    return failure;
}

}  // namespace

ActiveDatabaseQuery ReplaceActiveDatabaseQuery(ActiveDatabaseQuery query) {
    ActiveDatabaseQuery previous = activeDatabaseQuery;
    activeDatabaseQuery = query ? query : &MsiGetActiveDatabase;
    return previous;
}

HRESULT InitializeAction(MSIHANDLE installerHandle, const char* actionName) {
    RuntimeState& state = runtimeState;
    state.initialised = true;
    state.resultOverride = 0;
    state.installerHandle = installerHandle;
    state.databaseHandle = activeDatabaseQuery(installerHandle);

    HRESULT hr = CopyBounded(state.logName, sizeof state.logName, actionName);
    if (FAILED(hr)) {
        // The line goes out under the name cut to 31 characters.
        LogFailure(hr, "Failed to copy CustomAction log name: %s", actionName);
        return AbandonInitialisation(hr);
    }

    if (state.databaseHandle != 0) {
        hr = PublishVerboseLogging(DetermineVerboseLogging());
        if (FAILED(hr)) {
            LogFailure(hr, "Failed to set verbose logging global atom");
            return AbandonInitialisation(hr);
        }
    }

    wchar_t modulePath[kModulePathCapacity] = {};
    SetLastError(0);
    DWORD length = GetModuleFileNameW(state.moduleHandle, modulePath, kModulePathCapacity);
    // A path that filled the whole buffer was cut, and a cut path could name another file.
    if (length == 0 || length >= kModulePathCapacity) {
        DWORD error = GetLastError();
        if (length != 0 && error == 0) error = ERROR_INSUFFICIENT_BUFFER;
        hr = error == 0 ? E_FAIL : FailureFromWin32(static_cast<LONG>(error));
        LogFailure(hr, "Failed to get module filename");
        return AbandonInitialisation(hr);
    }

    DWORD versionMS = 0;
    DWORD versionLS = 0;
    hr = ReadFileVersion(modulePath, &versionMS, &versionLS);
    if (FAILED(hr)) {
        LogFailure(hr, "Failed to get file version of custom action dll");
        return AbandonInitialisation(hr);
    }

    LogMessage(Verbose, "Entering %s in %S, version %u.%u.%u.%u", actionName, modulePath,
               static_cast<unsigned>(HIWORD(versionMS)), static_cast<unsigned>(LOWORD(versionMS)),
               static_cast<unsigned>(HIWORD(versionLS)), static_cast<unsigned>(LOWORD(versionLS)));
    return S_OK;
}

UINT FinalizeAction(UINT resultCode) {
    Unbind();
    const RuntimeState& state = runtimeState;
    return state.resultOverride != 0 ? state.resultOverride : resultCode;
}

HRESULT ReadProperty(const wchar_t* name, wchar_t** slot) {
    if (name == nullptr || name[0] == L'\0' || slot == nullptr) return E_INVALIDARG;
    const MSIHANDLE installer = runtimeState.installerHandle;
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
    UINT status = MsiSetPropertyW(runtimeState.installerHandle, name, value);
    HRESULT hr = FailureFromWin32(static_cast<LONG>(status));
    if (FAILED(hr)) LogFailure(hr, "failed to set property: %S", name);
    return hr;
}

int SendInstallerMessage(INSTALLMESSAGE type, MSIHANDLE record) {
    int answer = MsiProcessMessage(runtimeState.installerHandle, type, record);
    if (answer == static_cast<int>(kUserExit) || answer == IDCANCEL) {
        runtimeState.resultOverride = kUserExit;
    }
    return answer;
}

}  // namespace brimsett
