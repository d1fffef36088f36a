// Tarnwick's wide entry point: hands the argument vector and the real run steps to the front end.
#include "cli/console.h"
#include "cli/front_end.h"
#include "cli/loadpoint_listing.h"
#include "discovery/loadpoint_search.h"
#include "registration/registration.h"

int wmain(int argumentCount, wchar_t** arguments) {
    const tarnwick::RunSteps steps{
        tarnwick::ConsoleWriteLine,        tarnwick::FindLoadpoints,
        tarnwick::ListLoadpoints,          tarnwick::UpdateLoadpointRegistryFiles,
        tarnwick::WriteSpareRegistryFiles, tarnwick::InstallMaterials,
    };
    return tarnwick::TarnwickMain(argumentCount, arguments, steps);
}
