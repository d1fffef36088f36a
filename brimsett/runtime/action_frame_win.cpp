// Win32 only: binding an action to its installer handle, and the frame of the exports.
#include "runtime/action_frame_win.h"

#include <new>

#include "runtime/action_log_win.h"
#include "runtime/active_database_win.h"
#include "runtime/bounded_format.h"
#include "runtime/failure_codes.h"
#include "runtime/file_version_win.h"
#include "runtime/installer_session_win.h"
#include "runtime/verbose_logging_win.h"

namespace brimsett {
namespace {

constexpr DWORD kModulePathCapacity = 260;

// Releases the action's database handle and unbinds the action.
void Unbind() {
    RuntimeState& state = ProcessRuntimeState();
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

HRESULT InitializeAction(MSIHANDLE installerHandle, const char* actionName) {
    RuntimeState& state = ProcessRuntimeState();
    state.initialised = true;
    state.resultOverride = 0;
    state.installerHandle = installerHandle;
    state.databaseHandle = ActiveDatabase(installerHandle);

    HRESULT hr = text::CopyBounded(state.logName, sizeof state.logName, actionName);
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
        hr = FailureFromLastError(error);
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

    LogMessage(LogLevel::kVerbose, "Entering %s in %S, version %u.%u.%u.%u", actionName, modulePath,
               static_cast<unsigned>(HIWORD(versionMS)), static_cast<unsigned>(LOWORD(versionMS)),
               static_cast<unsigned>(HIWORD(versionLS)), static_cast<unsigned>(LOWORD(versionLS)));
    return S_OK;
}

UINT FinalizeAction(UINT resultCode) {
    Unbind();
    const RuntimeState& state = ProcessRuntimeState();
    return state.resultOverride != 0 ? state.resultOverride : resultCode;
}

UINT RunAction(MSIHANDLE installer, const char* logName, HRESULT (*work)(void* context), void* context) {
    if (FAILED(InitializeAction(installer, logName))) return FinalizeAction(ERROR_INSTALL_FAILURE);
    HRESULT hr;
    try {
        hr = work(context);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        LogFailure(hr, "Out of memory");
    } catch (...) {  // nothing may leave the export; what the work did not expect ends the action
        hr = E_UNEXPECTED;
        LogFailure(hr, "Unexpected exception");
    }
    return FinalizeAction(FAILED(hr) ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS);
}

}  // namespace brimsett
