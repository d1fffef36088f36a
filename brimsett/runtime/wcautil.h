// wcautil: binding an action to its installer handle, properties, installer messages.
//
// Every export follows one frame: InitializeAction; the work, stopping at the first failure it
// acts on and writing it with LogFailure; then `return FinalizeAction(failed ? 1603 : 0)`.
#pragma once

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

namespace brimsett {

// Binds the action: sets the log name (at most 31 characters), publishes the verbose-logging
// decision when the action has a database, and writes the verbose entry line.
HRESULT InitializeAction(MSIHANDLE installerHandle, const char* actionName);

// Releases the database handle, unbinds the action and returns the installer result code:
// the cancel override (1602) if a cancel was seen, else `resultCode`.
UINT FinalizeAction(UINT resultCode);

// Fills `slot` with the property's value, allocating or growing the slot's heap block as
// needed. An undefined property reads as empty text. The slot's owner releases it with
// ReleaseString (or holds it in a PropertyString).
HRESULT ReadProperty(const wchar_t* name, wchar_t** slot);

// Sets an installer property; an empty value is allowed, an empty name is not.
HRESULT WriteProperty(const wchar_t* name, const wchar_t* value);

// Sends a message to the installer and notes a cancel (1602 or IDCANCEL) for FinalizeAction.
int SendInstallerMessage(INSTALLMESSAGE type, MSIHANDLE record);

}  // namespace brimsett
