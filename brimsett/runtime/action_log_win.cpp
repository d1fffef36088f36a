// Win32 only: log lines into the installer log, and the reading side of the verbose-logging
// decision (the published atoms and the machine's logging policy).
#include "runtime/action_log_win.h"

#include <cstdarg>

#include "runtime/installer_session_win.h"
#include "runtime/log_text.h"
#include "win/registry_key.h"

namespace brimsett {
namespace {

constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer";

void LogMessageV(LogLevel level, const char* format, va_list args) {
    RuntimeState& state = ProcessRuntimeState();
    if (state.logBusy) return;  // a line asked for while another is on its way is dropped
    state.logBusy = true;
    if (level == LogLevel::kStandard || (level == LogLevel::kVerbose && IsVerboseLoggingOn())) {
        text::ComposeLogLine(state.composeBuffer, state.lineBuffer, state.logName, format, args);
        const win::MsiHandle record(MsiCreateRecord(1));
        if (record.valid()) {
            MsiRecordSetStringA(record.get(), 0, state.lineBuffer);
            SendInstallerMessage(INSTALLMESSAGE_INFO, record.get());
        }
    }
    state.logBusy = false;
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
    if (ProcessRuntimeState().initialised) {
        LogMessage(LogLevel::kStandard, "Error 0x%x: %s", static_cast<unsigned>(code), message);
    }
}

bool IsVerboseLoggingOn() {
    if (GlobalFindAtomW(kVerboseAtom) != 0) return true;
    if (GlobalFindAtomW(kNotVerboseAtom) != 0) return false;
    return ReadLoggingPolicy();
}

bool ReadLoggingPolicy() {
    win::RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
    wchar_t value[16] = {};
    const win::StringRead read = key.ReadString(L"Logging", value);
    // A value of more than 32 bytes is no policy, nor is one of another type than REG_SZ (a
    // REG_DWORD of 0x76 would read as "v").
    if (read.status != ERROR_SUCCESS || read.type != REG_SZ) return false;
    return text::HasVerboseLetter(value, read.length);
}

}  // namespace brimsett
