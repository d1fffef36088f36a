// Win32 edge of the registration steps.
#include "registration/registration.h"

namespace tarnwick {

void UpdateLoadpointRegistryFiles() {}
void WriteSpareRegistryFiles() {}
void InstallMaterials() {}

}  // namespace tarnwick
