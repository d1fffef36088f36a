// Win32 only: the question for the action's active database.
#pragma once

#include <windows.h>

#include <msi.h>

namespace brimsett {

// The installer's active database for the action (MsiGetActiveDatabase), 0 when it gives none.
// Defined alone in active_database_win.cpp, which only the DLL links; the probe DLLs link the
// tests' definition in its place (tests/active_database_seam_win.cpp), so no test seam ships.
MSIHANDLE ActiveDatabase(MSIHANDLE installerHandle);

}  // namespace brimsett
