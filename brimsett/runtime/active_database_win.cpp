// Win32 only: the installer's own answer for the action's active database.
#include "runtime/active_database_win.h"

#include <msiquery.h>

namespace brimsett {

MSIHANDLE ActiveDatabase(MSIHANDLE installerHandle) {
    return MsiGetActiveDatabase(installerHandle);
}

}  // namespace brimsett
