// Win32 only: the replaceable active-database question of the probe DLLs.
#include "tests/active_database_seam_win.h"

#include <msiquery.h>

namespace brimsett {
namespace {

ActiveDatabaseQuery activeDatabaseQuery = &MsiGetActiveDatabase;

}  // namespace

MSIHANDLE ActiveDatabase(MSIHANDLE installerHandle) {
    return activeDatabaseQuery(installerHandle);
}

ActiveDatabaseQuery ReplaceActiveDatabaseQuery(ActiveDatabaseQuery query) {
    ActiveDatabaseQuery previous = activeDatabaseQuery;
    activeDatabaseQuery = query ? query : &MsiGetActiveDatabase;
    return previous;
}

}  // namespace brimsett
