// The loadpoint search: reads the registry-key list file named by /reg and looks under each
// listed key, in both registry views, for installations and the loadpoint each names
// (CommonFilesLocation, else InstallDir). Defined in loadpoint_search_win.cpp (Windows build only).
#pragma once

#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

// The loadpoints under the keys that the /reg file names: the 32-bit list from the 32-bit
// registry view and, when the system has one, the 64-bit list from the 64-bit view, each
// loadpoint then moved to the list of the one xtop.exe it holds (SettleBitness). Prints
// nothing; whatever fails is passed over. An absent /reg, an empty path, or a file that is
// missing, unreadable or a directory names no key; a read error keeps the complete lines read
// before it.
Loadpoints FindLoadpoints(const RunOptions& options);

}  // namespace tarnwick
