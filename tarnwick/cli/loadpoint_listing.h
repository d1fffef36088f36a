// The listing of the loadpoints that the search found, on standard output.
#pragma once

#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

// Prints what the search found: in the registration run the heading and one line per loadpoint,
// or the line saying none were found; in the list run (/listxtops) only each loadpoint's
// xtop.exe path, and nothing when none were found. The 32-bit loadpoints come first.
void ListLoadpoints(const RunOptions& options, const Loadpoints& loadpoints);

}  // namespace tarnwick
