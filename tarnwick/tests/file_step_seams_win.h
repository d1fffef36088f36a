// Win32 only: the registration tests' side of registration/file_step_seams_win.h, linked in place
// of the program's definitions. Each setter returns what it replaced; a null restores the
// program's behaviour.
#pragma once

#include <windows.h>

#include <string>

#include "platform/guarded_file_win.h"

namespace tarnwick {

// The step that carries the old file's security over to the new one (CarrySecurityStep).
SecurityCarrier ReplaceSecurityCarrier(SecurityCarrier carrier);

// Switches the taking of file turns (FileTurnMutex) on or off for the whole process; returns what it
// was. With turns off, only the snapshot check stands between a run and another program that
// replaces the file while the run merges it.
enum class TurnTaking { kOn, kOff };
TurnTaking SwitchFileTurns(TurnTaking taking);

// The hook right before the snapshot check (BeforeSnapshotCheck); null: none.
using BeforeSnapshotHook = void (*)(const std::wstring& fullPath);
BeforeSnapshotHook ReplaceBeforeSnapshotCheck(BeforeSnapshotHook hook);

}  // namespace tarnwick
