// wcalog: log lines into the installer log, and the verbose-logging decision.
#pragma once

#include <windows.h>

#include <msi.h>

namespace brimsett {

enum LogLevel { Verbose = 1, Standard = 2 };

// Sends one formatted 8-bit line, "<log name>:  <text>", as an informational message. A
// Verbose line is sent only when verbose logging is on. Never allocates on the heap.
void LogMessage(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sends "Error 0x<code>: <message>" at Standard level, only while an action is initialised.
void LogFailure(HRESULT code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The verbose-logging decision and its publication through the global atoms.
bool DetermineVerboseLogging();
bool IsVerboseLoggingOn();
HRESULT PublishVerboseLogging(bool on);
bool ReadLoggingPolicy();
bool IsPropertyNonEmpty(const char* name);

}  // namespace brimsett
