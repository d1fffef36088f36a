// The runtime's one process-wide state. No lock: the installer calls one export at a time.
#pragma once

#include "runtime/log_text.h"

#include <windows.h>

#include <msi.h>

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

extern RuntimeState runtimeState;

}  // namespace brimsett
