// The loadpoint listing. Loadpoint paths are 8-bit text in the ANSI code page and go out through
// the narrow stream unconverted; the messages and sub-paths are wide. Each stream is flushed
// before the other one writes, so the two come out on standard output in program order.
#include "cli/loadpoint_listing.h"

#include <iostream>

#include "cli/console.h"

namespace tarnwick {

namespace {

void WriteLoadpointLines(const LoadpointList& loadpoints, const wchar_t* subPath) {
    for (const LoadpointPath& path : loadpoints) {
        std::cout.write(path.data(), static_cast<std::streamsize>(path.size()));
        if (subPath != nullptr) {
            std::cout.flush();
            std::wcout << subPath;
            std::wcout.flush();
        }
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
    WriteLoadpointLines(loadpoints.in32BitView, listRun ? kXtopSubPath32 : nullptr);
    WriteLoadpointLines(loadpoints.in64BitView, listRun ? kXtopSubPath64 : nullptr);
}

}  // namespace tarnwick
