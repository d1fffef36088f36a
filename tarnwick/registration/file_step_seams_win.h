// Win32 only: the three points of the registry-file steps where a test steps in. tarnwick.exe and
// the programs beside it link the production definitions (file_step_seams_win.cpp, the library
// tarnwick_file_step_seams); tarnwick_registration_tests links tests/file_step_seams_win.cpp in
// their place, to show what Wine cannot (a security that cannot be carried over) and another
// program replacing a file at the worst moment. No test seam ships in the program.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick {

// Gives the new file `to` the security of the old file `from` (the program: CarrySecurity).
bool CarrySecurityStep(HANDLE from, HANDLE to);

// Whether a file's turn (FileTurnMutex) is taken at all (the program: always).
bool FileTurnsTaken();

// Called by UpdateRegistryFile with the file's full path after the new bytes are written and the
// old file is let go, right before its snapshot is compared (the program: nothing).
void BeforeSnapshotCheck(const std::wstring& fullPath);

}  // namespace tarnwick
