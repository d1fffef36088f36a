// Win32 only: seams for tests of how concurrent changes to a registry file are kept apart. With
// turns switched off, only the stamp check stands between a run and another program that
// replaces the file while the run merges it; a hook lets the test be that other program at the
// worst moment.
#pragma once

#include <string>

namespace tarnwick {

enum class TurnTaking { kOn, kOff };

// Switches the taking of file turns (FileTurn) on or off for the whole process; returns what it
// was.
TurnTaking SwitchFileTurns(TurnTaking taking);

// Called by UpdateRegistryFile with the file's full path after the new bytes are written and the
// old file is let go, right before its stamp is compared; returns the hook it replaced (null:
// none).
using BeforeStampCheck = void (*)(const std::wstring& fullPath);
BeforeStampCheck ReplaceBeforeStampCheck(BeforeStampCheck hook);

}  // namespace tarnwick
