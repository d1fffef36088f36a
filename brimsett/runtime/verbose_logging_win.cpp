// Win32 only: the verbose-logging decision and its global atoms.
#include "runtime/verbose_logging_win.h"

#include <cstddef>

#include "runtime/action_log_win.h"
#include "runtime/failure_codes.h"
#include "runtime/installer_session_win.h"
#include "runtime/log_text.h"
#include "runtime/properties_win.h"
#include "runtime/property_strings_win.h"

namespace brimsett {
namespace {

// Adds the atom; the converted last-error value when that fails (E_FAIL when it is 0).
HRESULT AddAtom(const wchar_t* name, const char* failureMessage) {
    if (GlobalAddAtomW(name) != 0) return S_OK;
    HRESULT hr = FailureFromLastError(GetLastError());
    LogFailure(hr, "%s", failureMessage);
    return hr;
}

// Deletes the atom; only a non-zero last-error value counts as failure.
HRESULT DeleteAtom(ATOM atom, const char* failureMessage) {
    SetLastError(0);
    GlobalDeleteAtom(atom);
    DWORD error = GetLastError();
    if (error == 0) return S_OK;
    HRESULT hr = FailureFromWin32(static_cast<LONG>(error));
    LogFailure(hr, "%s", failureMessage);
    return hr;
}

// Makes one atom's presence match `wanted`.
HRESULT MatchAtom(const wchar_t* name, bool wanted, const char* createFailure, const char* deleteFailure) {
    ATOM atom = GlobalFindAtomW(name);
    if (atom == 0 && wanted) return AddAtom(name, createFailure);
    if (atom != 0 && !wanted) return DeleteAtom(atom, deleteFailure);
    return S_OK;
}

}  // namespace

bool DetermineVerboseLogging() {
    RuntimeState& state = ProcessRuntimeState();
    if (state.verboseCache == 0 || state.verboseCache == 1) return state.verboseCache == 1;

    state.verboseCache = IsPropertyNonEmpty("LOGVERBOSE") ? 1 : 0;
    wchar_t* msiLogging = nullptr;
    if (state.verboseCache == 0) {
        HRESULT hr = ReadProperty(L"MsiLogging", &msiLogging);
        if (FAILED(hr)) {
            // Verbose logging stays off, and the policy is not asked.
            LogFailure(hr, "failed to get MsiLogging property");
        } else {
            if (text::HasVerboseLetter(msiLogging, static_cast<std::size_t>(lstrlenW(msiLogging)))) {
                state.verboseCache = 1;
            }
            if (state.verboseCache == 0 && ReadLoggingPolicy()) state.verboseCache = 1;
        }
    }
    if (msiLogging != nullptr) ReleaseString(msiLogging);
    return state.verboseCache == 1;
}

HRESULT PublishVerboseLogging(bool on) {
    HRESULT hr = MatchAtom(kVerboseAtom, on, "Failed to create WcaVerboseLogging global atom.",
                           "Failed to delete WcaVerboseLogging global atom.");
    if (FAILED(hr)) return hr;
    return MatchAtom(kNotVerboseAtom, !on, "Failed to create WcaNotVerboseLogging global atom.",
                     "Failed to delete WcaNotVerboseLogging global atom.");
}

}  // namespace brimsett
