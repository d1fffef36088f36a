// Win32 only: the runtime state that the installer interface forces on Brimsett, and the sending
// of messages to the installer.
//
// The installer loads the library into its custom-action process and calls one export at a time
// with nothing but a handle; the log name, the verbose-logging decision, a cancel seen while
// logging and the compose buffers of a log line must therefore live beside the library for as
// long as it is loaded. They are this one object, owned by installer_session_win.cpp (which also
// holds the load hook that records the module); no other mutable process-wide state exists in
// Brimsett. No lock: the installer calls one export at a time.
#pragma once

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "runtime/log_text.h"

namespace brimsett {

struct RuntimeState {
    HMODULE moduleHandle = nullptr;  // the library's own module, recorded by the load hook
    MSIHANDLE installerHandle = 0;   // the current action's handle; 0 while unbound
    MSIHANDLE databaseHandle = 0;    // its active database, 0 when the installer gives none
    bool initialised = false;
    UINT resultOverride = 0;  // 1602 after a cancel; cleared by the next InitializeAction
    char logName[32] = {};
    LONG verboseCache = -1;  // -1 undecided, then 0 or 1 for the life of the library
    bool logBusy = false;
    char composeBuffer[text::kLogLineCapacity] = {};
    char lineBuffer[text::kLogLineCapacity] = {};
};

// The library's one runtime state.
RuntimeState& ProcessRuntimeState();

// Sends a message to the installer under the bound action's handle and notes a cancel (1602 or
// IDCANCEL) for FinalizeAction. Returns the installer's answer.
int SendInstallerMessage(INSTALLMESSAGE type, MSIHANDLE record);

}  // namespace brimsett
