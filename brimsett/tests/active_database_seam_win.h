// Win32 only: the tests' definition of the runtime's active-database question, linked into the
// probe DLLs in place of runtime/active_database_win.cpp.
#pragma once

#include "runtime/active_database_win.h"

namespace brimsett {

using ActiveDatabaseQuery = MSIHANDLE(WINAPI*)(MSIHANDLE installerHandle);

// Replaces the query by which InitializeAction asks for the action's active database
// (MsiGetActiveDatabase; a null query restores it) and returns the query it replaced. Wine's
// installer gives every custom action a database, deferred ones included, so a test of the
// no-database path replaces the query with one that answers 0, as Windows does for a deferred
// action.
ActiveDatabaseQuery ReplaceActiveDatabaseQuery(ActiveDatabaseQuery query);

}  // namespace brimsett
