// Loadpoint discovery: the registry-key list file, the search of both registry views and the
// listing of what was found.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// A loadpoint path: the verbatim 8-bit text of one InstallDir registry value.
using LoadpointPath = std::string;
using LoadpointList = std::vector<LoadpointPath>;

// The two program-wide loadpoint lists, filled by FindLoadpoints, sorted byte-wise and
// duplicate-free. A loadpoint's bitness is the list that holds it.
extern LoadpointList LoadpointList32;
extern LoadpointList LoadpointList64;

// Fills the two loadpoint lists from the registry keys named in the /reg file. Prints nothing.
void FindLoadpoints();

// Prints what the search found (the heading and paths, or the xtop.exe paths in the list run).
void ListLoadpoints();

}  // namespace tarnwick
