// Loadpoints: the installation directories of Pro/ENGINEER and Creo that the loadpoint search
// finds in the registry, as the listing and the registration steps receive them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwick {

// A loadpoint path: the verbatim 8-bit text of one InstallDir registry value.
using LoadpointPath = std::string;
using LoadpointList = std::vector<LoadpointPath>;

// What one search found, each list sorted byte-wise and duplicate-free. A loadpoint's bitness is
// the list that holds it; the same path may stand in both.
struct Loadpoints {
    LoadpointList in32BitView;  // found in the 32-bit registry view
    LoadpointList in64BitView;  // found in the 64-bit registry view (none on 32-bit Windows)
};

// Size of the buffer an InstallDir value is read into, terminator included.
inline constexpr std::size_t kInstallDirCapacity = 260;

// The loadpoint path held by an InstallDir value's data: the bytes before the first NUL, or all
// of them when none is NUL.
LoadpointPath LoadpointPathFromValueData(const char* data, std::size_t size);

}  // namespace tarnwick
