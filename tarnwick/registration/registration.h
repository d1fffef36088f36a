// Pro/TOOLKIT registration: the loadpoints' protk.dat files, the spare registry files and the
// materials. Defined in registration_win.cpp (Windows build only). None of these operations
// prints to standard output; each passes over what it cannot do, and names a registry or spare
// file that it passes over in one line on standard error.
#pragma once

#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

// Removes the application's entry from every loadpoint's protk.dat and, when registering,
// appends a fresh one: the 32-bit loadpoints with the /exec32 executable, then the 64-bit ones
// with the /exec64 executable (a pass without its executable is left out).
void UpdateLoadpointRegistryFiles(const RunOptions& options, const Loadpoints& loadpoints);

// Writes (or, when unregistering, deletes) the spare registry files in the /spares directory.
void WriteSpareRegistryFiles(const RunOptions& options);

// Copies the /materials directory's *.mtl files into the loadpoints' materials libraries.
void InstallMaterials(const RunOptions& options, const Loadpoints& loadpoints);

}  // namespace tarnwick
