// Pro/TOOLKIT registration: the loadpoints' protk.dat files, the spare registry files and the
// materials. None of these operations prints or reports anything.
#pragma once

namespace tarnwick {

// Removes the application's entry from every loadpoint's protk.dat and, when registering,
// appends a fresh one.
void UpdateLoadpointRegistryFiles();

// Writes (or, when unregistering, deletes) the spare registry files in the /spares directory.
void WriteSpareRegistryFiles();

// Copies the /materials directory's *.mtl files into the loadpoints' materials libraries.
void InstallMaterials();

}  // namespace tarnwick
