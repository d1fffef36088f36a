// Tarnwick's wide entry point: hands the argument vector and the real run steps to the front end.
#include <windows.h>

#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/front_end.h"
#include "cli/loadpoint_listing.h"
#include "discovery/loadpoint_search.h"
#include "platform/ansi_text_win.h"
#include "platform/whole_file_win.h"
#include "registration/registration.h"
#include "skipped_file.h"
#include "win/scoped_handle.h"

namespace tarnwick {
namespace {

// Whether a loadpoint's folder is there, by its attributes (a folder that is a junction or a link
// is opened for its attributes too: its own attributes do not show that its target is gone). One
// that is gone, or that is a file, gets the line the registration run writes for its protk.dat; a
// look that cannot tell (access, a path the code page cannot carry) counts as there.
bool LoadpointFolderIsThere(const LoadpointPath& loadpoint) {
    const std::optional<std::wstring> wide = WidenFilePath(loadpoint);
    if (!wide) return true;
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    bool gone = attributes == INVALID_FILE_ATTRIBUTES ? IsAbsence(GetLastError())
                                                      : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!gone && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const win::FileHandle target =
            win::OpenSharingAll(wide->c_str(), FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
        gone = !target.valid() && IsAbsence(GetLastError());
    }
    if (!gone) return true;
    WriteErrorLine(SkippedFileLine(loadpoint + "\\text\\protk.dat", FileFailure::kNoFolder));
    return false;
}

void ListLoadpointsThatAreThere(const RunOptions& options, const Loadpoints& loadpoints) {
    ListLoadpoints(options, loadpoints, LoadpointFolderIsThere);
}

}  // namespace
}  // namespace tarnwick

int wmain(int argumentCount, wchar_t** arguments) {
    tarnwick::BufferStandardError();
    const tarnwick::RunSteps steps{
        tarnwick::ConsoleWriteLine,           tarnwick::FindLoadpoints,
        tarnwick::ListLoadpointsThatAreThere, tarnwick::UpdateLoadpointRegistryFiles,
        tarnwick::WriteSpareRegistryFiles,    tarnwick::InstallMaterials,
    };
    return tarnwick::TarnwickMain(argumentCount, arguments, steps);
}
