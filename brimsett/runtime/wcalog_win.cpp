// Win32 only: log lines into the installer log, and the verbose-logging decision with its
// global atoms and the machine's logging policy.
#include "runtime/wcalog.h"

#include "runtime/failure_codes.h"
#include "runtime/log_text.h"
#include "runtime/runtime_state.h"
#include "runtime/strutil.h"
#include "runtime/wcautil.h"

#include <cstdarg>

namespace brimsett {
namespace {

constexpr wchar_t kVerboseAtom[] = L"WcaVerboseLogging";
constexpr wchar_t kNotVerboseAtom[] = L"WcaNotVerboseLogging";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer";

void LogMessageV(LogLevel level, const char* format, va_list args) {
    RuntimeState& state = runtimeState;
    if (state.logBusy) return;  // a line asked for while another is on its way is dropped
    state.logBusy = true;
    if (level == Standard || (level == Verbose && IsVerboseLoggingOn())) {
        text::ComposeLogLine(state.composeBuffer, state.lineBuffer, state.logName, format, args);
        MSIHANDLE record = MsiCreateRecord(1);
        if (record != 0) {
            MsiRecordSetStringA(record, 0, state.lineBuffer);
            SendInstallerMessage(INSTALLMESSAGE_INFO, record);
            MsiCloseHandle(record);
        }
    }
    state.logBusy = false;
}

// Adds the atom; the converted last-error value when that fails (E_FAIL when it is 0).
HRESULT AddAtom(const wchar_t* name, const char* failureMessage) {
    if (GlobalAddAtomW(name) != 0) return S_OK;
    DWORD error = GetLastError();
    HRESULT hr = error == 0 ? E_FAIL : FailureFromWin32(static_cast<LONG>(error));
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

void LogMessage(LogLevel level, const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    va_list args;
    va_start(args, format);
    LogMessageV(level, format, args);
    va_end(args);
}

void LogFailure(HRESULT code, const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    char message[text::kLogLineCapacity];
    va_list args;
    va_start(args, format);
    text::FormatBoundedV(message, sizeof message, format, args);  // a cut is accepted
    va_end(args);
    if (runtimeState.initialised) {
        LogMessage(Standard, "Error 0x%x: %s", static_cast<unsigned>(code), message);
    }
}

bool DetermineVerboseLogging() {
    RuntimeState& state = runtimeState;
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

bool IsVerboseLoggingOn() {
    if (GlobalFindAtomW(kVerboseAtom) != 0) return true;
    if (GlobalFindAtomW(kNotVerboseAtom) != 0) return false;
    return ReadLoggingPolicy();
}

HRESULT PublishVerboseLogging(bool on) {
    HRESULT hr = MatchAtom(kVerboseAtom, on, "Failed to create WcaVerboseLogging global atom.",
                           "Failed to delete WcaVerboseLogging global atom.");
    if (FAILED(hr)) return hr;
    return MatchAtom(kNotVerboseAtom, !on, "Failed to create WcaNotVerboseLogging global atom.",
                     "Failed to delete WcaNotVerboseLogging global atom.");
}

bool ReadLoggingPolicy() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t value[16] = {};
    DWORD bytes = sizeof value;
    LONG status = RegQueryValueExW(key, L"Logging", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;  // a value of more than 32 bytes is no policy
    return text::HasVerboseLetter(value, bytes / sizeof(wchar_t));
}

bool IsPropertyNonEmpty(const char* name) {
    char empty[1] = {'\0'};
    DWORD length = 0;
    MsiGetPropertyA(runtimeState.installerHandle, name, empty, &length);
    return length > 0;
}

}  // namespace brimsett
