// The loadpoint listing. Loadpoint paths are 8-bit text in the ANSI code page and go out through
// the narrow stream unconverted, followed by the ASCII sub-paths; the messages are wide. Each
// stream is flushed before the other one writes, so the two come out in program order.
#include "cli/loadpoint_listing.h"

#include <iostream>

#include "cli/console.h"

namespace tarnwick {

namespace {

// Each path on a line of its own, in the list run followed by the sub-path of its bitness's
// xtop.exe (kXtopBelowLoadpoint32 or 64).
void WriteLoadpointLines(const LoadpointList& loadpoints, std::string_view subPath) {
    for (const LoadpointPath& path : loadpoints) {
        std::cout.write(path.data(), static_cast<std::streamsize>(path.size()));
        std::cout.write(subPath.data(), static_cast<std::streamsize>(subPath.size()));
        std::cout << '\n';
        std::cout.flush();
    }
}

}  // namespace

void ListLoadpoints(const RunOptions& options, const Loadpoints& loadpoints) {
    const bool listRun = options.listXtops;
    if (loadpoints.in32BitView.empty() && loadpoints.in64BitView.empty()) {
        if (!listRun) ConsoleWriteLine(L"No Pro/ENGINEER / Creo loadpoints have been found");
        return;
    }
    if (!listRun) ConsoleWriteLine(L"The following Pro/ENGINEER / Creo loadpoints have been found");
    WriteLoadpointLines(loadpoints.in32BitView, listRun ? kXtopBelowLoadpoint32 : std::string_view());
    WriteLoadpointLines(loadpoints.in64BitView, listRun ? kXtopBelowLoadpoint64 : std::string_view());
}

}  // namespace tarnwick
