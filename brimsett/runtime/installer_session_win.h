// Win32 only: the runtime state and the sending of messages to the installer. The installer calls
// one export at a time with nothing but a handle, so what an action needs beyond it (log name,
// verbose decision, a cancel seen, the line buffers) is Brimsett's one mutable global, unlocked.
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
