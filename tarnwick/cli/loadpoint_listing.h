// The listing of the loadpoints that the search found, on standard output.
#pragma once

#include <functional>
#include <string_view>

#include "cli/console.h"
#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

// Whether the list run names a loadpoint. The program looks at the loadpoint's folder and names
// on standard error one that is gone (main_win.cpp); the listing itself looks at nothing on disk.
using LoadpointCheck = std::function<bool(const LoadpointPath&)>;

// Prints what the search found, one `writeLine` call per line: in the registration run the
// heading and one line per loadpoint, or the line saying none were found; in the list run
// (/listxtops) only each loadpoint's xtop.exe path, and nothing when none were found. The 32-bit
// loadpoints come first. The list run leaves out an empty loadpoint (it would name the current
// drive's root) and each one that `isThere` rejects; `isThere` is asked only in the list run, once
// per loadpoint, just before the loadpoint's line would be written.
void ListLoadpoints(const RunOptions& options, const Loadpoints& loadpoints, const LoadpointCheck& isThere,
                    const std::function<void(std::string_view)>& writeLine = WriteOutputLine);

}  // namespace tarnwick
