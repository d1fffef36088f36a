// Win32 only: log lines into the installer log, and whether verbose lines are wanted.
#pragma once

#include <windows.h>

namespace brimsett {

enum class LogLevel { kVerbose = 1, kStandard = 2 };

// Sends one formatted 8-bit line, "<log name>:  <text>", as an informational message. A
// Verbose line is sent only when verbose logging is on. Never allocates on the heap.
void LogMessage(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sends "Error 0x<code>: <message>" at Standard level, only while an action is initialised.
void LogFailure(HRESULT code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Whether verbose lines are sent: as the global atoms published by an earlier action say, or,
// when neither atom exists, as the machine's logging policy says.
bool IsVerboseLoggingOn();

// Whether the machine's installer logging policy holds a "v" or "V": the value Logging (a REG_SZ
// of at most 16 UTF-16 units) of HKLM\Software\Policies\Microsoft\Windows\Installer.
bool ReadLoggingPolicy();

// The names of the global atoms through which the verbose-logging decision is published.
inline constexpr wchar_t kVerboseAtom[] = L"WcaVerboseLogging";
inline constexpr wchar_t kNotVerboseAtom[] = L"WcaNotVerboseLogging";

}  // namespace brimsett
