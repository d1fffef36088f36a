// Win32 only: a seam for tests at the installer edge of InitializeAction.
#pragma once

#include "runtime/installer_session_win.h"

namespace brimsett {

// Replaces the query by which InitializeAction asks for the action's active database
// (MsiGetActiveDatabase; a null query restores it) and returns the query it replaced. Wine's
// installer gives every custom action a database, deferred ones included, so a test of the
// no-database path replaces the query with one that answers 0, as Windows does for a deferred
// action.
ActiveDatabaseQuery ReplaceActiveDatabaseQuery(ActiveDatabaseQuery query);

}  // namespace brimsett
