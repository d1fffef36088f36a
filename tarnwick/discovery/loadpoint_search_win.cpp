// Win32 edge of the loadpoint search and listing.
#include "discovery/loadpoints.h"

namespace tarnwick {

LoadpointList LoadpointList32;
LoadpointList LoadpointList64;

void FindLoadpoints() {}
void ListLoadpoints() {}

}  // namespace tarnwick
