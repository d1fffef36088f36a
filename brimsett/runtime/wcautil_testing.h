// A seam for tests at the installer edge of InitializeAction.
#pragma once

#include <windows.h>

#include <msi.h>

namespace brimsett {

// How InitializeAction asks for the action's active database; MsiGetActiveDatabase unless a
// test replaces it. Wine's installer gives every custom action a database, deferred ones
// included, so a test of the no-database path replaces the query with one that answers 0, as
// Windows does for a deferred action. Returns the query it replaced.
using ActiveDatabaseQuery = MSIHANDLE(WINAPI*)(MSIHANDLE installerHandle);
ActiveDatabaseQuery ReplaceActiveDatabaseQuery(ActiveDatabaseQuery query);

}  // namespace brimsett
