// The listing of the loadpoints that the search found, on standard output.
#pragma once

#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

// Executable sub-paths that the list run appends to a loadpoint of each bitness.
inline constexpr const wchar_t* kXtopSubPath32 = L"\\i486_nt\\obj\\xtop.exe";
inline constexpr const wchar_t* kXtopSubPath64 = L"\\x86e_win64\\obj\\xtop.exe";

// Prints what the search found: in the registration run the heading and one line per loadpoint,
// or the line saying none were found; in the list run (/listxtops) only each loadpoint's
// xtop.exe path, and nothing when none were found. The 32-bit loadpoints come first.
void ListLoadpoints(const RunOptions& options, const Loadpoints& loadpoints);

}  // namespace tarnwick
