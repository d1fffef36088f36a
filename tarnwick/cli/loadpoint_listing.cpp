// The loadpoint listing. Loadpoint paths are 8-bit text in the ANSI code page and go out
// unconverted, followed by the ASCII sub-paths; each line is handed over whole.
#include "cli/loadpoint_listing.h"

#include <string>

namespace tarnwick {

namespace {

// Each path on a line of its own; in the list run followed by the sub-path of its bitness's
// xtop.exe (kXtopBelowLoadpoint32 or 64), and only for the loadpoints that are there.
void WriteLoadpointLines(const LoadpointList& loadpoints, bool listRun, std::string_view subPath,
                         const LoadpointCheck& isThere, const std::function<void(std::string_view)>& writeLine) {
    std::string line;
    for (const LoadpointPath& path : loadpoints) {
        if (listRun && (path.empty() || !isThere(path))) continue;
        line.assign(path);
        if (listRun) line.append(subPath);
        writeLine(line);
    }
}

}  // namespace

void ListLoadpoints(const RunOptions& options, const Loadpoints& loadpoints, const LoadpointCheck& isThere,
                    const std::function<void(std::string_view)>& writeLine) {
    const bool listRun = options.listXtops;
    if (loadpoints.thirtyTwoBit.empty() && loadpoints.sixtyFourBit.empty()) {
        if (!listRun) writeLine("No Pro/ENGINEER / Creo loadpoints have been found");
        return;
    }
    if (!listRun) writeLine("The following Pro/ENGINEER / Creo loadpoints have been found");
    WriteLoadpointLines(loadpoints.thirtyTwoBit, listRun, kXtopBelowLoadpoint32, isThere, writeLine);
    WriteLoadpointLines(loadpoints.sixtyFourBit, listRun, kXtopBelowLoadpoint64, isThere, writeLine);
}

}  // namespace tarnwick
