// Loadpoint discovery: the registry-key list file, the search of both registry views and the
// listing of what was found.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwick {

// A loadpoint path: the verbatim 8-bit text of one InstallDir registry value.
using LoadpointPath = std::string;
using LoadpointList = std::vector<LoadpointPath>;

// The two program-wide loadpoint lists, filled by FindLoadpoints, sorted byte-wise and
// duplicate-free. A loadpoint's bitness is the list that holds it.
extern LoadpointList LoadpointList32;
extern LoadpointList LoadpointList64;

// Executable sub-paths that the list run appends to a loadpoint of each bitness.
inline constexpr const wchar_t* kXtopSubPath32 = L"\\i486_nt\\obj\\xtop.exe";
inline constexpr const wchar_t* kXtopSubPath64 = L"\\x86e_win64\\obj\\xtop.exe";

// Size of the buffer an InstallDir value is read into, terminator included.
inline constexpr std::size_t kInstallDirCapacity = 260;

// The loadpoint path held by an InstallDir value's data: the bytes before the first NUL, or all
// of them when none is NUL.
LoadpointPath LoadpointPathFromValueData(const char* data, std::size_t size);

// Fills the two loadpoint lists from the registry keys named in the /reg file: the 32-bit list
// from the 32-bit registry view and, when the system has one, the 64-bit list from the 64-bit
// view. Prints nothing; whatever fails is passed over.
void FindLoadpoints();

// Prints what the search found: in the registration run the heading and one line per loadpoint,
// or the line saying none were found; in the list run (/listxtops) only each loadpoint's
// xtop.exe path, and nothing when none were found.
void ListLoadpoints();

}  // namespace tarnwick
