// Loadpoints: the installation directories of Pro/ENGINEER and Creo that the loadpoint search
// finds in the registry, as the listing and the registration steps receive them, and the two
// decisions the search makes for each installation: which value names its loadpoint, and which
// bitness the loadpoint has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// A loadpoint path: the 8-bit text of one registry value (CommonFilesLocation or InstallDir) of an
// installation key, verbatim, or expanded when the value is of the expandable type.
using LoadpointPath = std::string;
using LoadpointList = std::vector<LoadpointPath>;

// What one search found, each list sorted byte-wise and duplicate-free. A loadpoint's bitness is
// the list that holds it; the same path may stand in both.
struct Loadpoints {
    // The loadpoints of bitness 32 and 64: by the one xtop.exe a loadpoint holds, else by the
    // registry view it was found in. On 32-bit Windows there are no 64-bit ones.
    LoadpointList thirtyTwoBit;
    LoadpointList sixtyFourBit;
};

// Size of the buffer a path value is read into, terminator included.
inline constexpr std::size_t kInstallDirCapacity = 260;

// The loadpoint path held by a path value's data: the bytes before the first NUL, or all of them
// when none is NUL.
LoadpointPath LoadpointPathFromValueData(const char* data, std::size_t size);

// One value of an installation key as the registry gave it.
struct RegistryValueRead {
    bool exists = false;     // the value is there (its type could be asked)
    std::uint32_t type = 0;  // its registry type: 1 is REG_SZ, 2 REG_EXPAND_SZ
    bool readWhole = false;  // its data was read whole: within kInstallDirCapacity bytes for REG_SZ,
                             // within kExpandableCapacity bytes for REG_EXPAND_SZ
    std::string data;        // the bytes read, as many as the registry reported
};

// The most bytes of an expandable value's data that are read: the length rule is the expanded
// text's, and the system expands at most 32 K characters.
inline constexpr std::size_t kExpandableCapacity = 32768;

// The text with its environment references (%NAME%) expanded from the process's environment, as
// the system expands them; nothing when the expansion fails.
using ExpandEnvironment = std::function<std::optional<std::string>(const std::string&)>;

// The loadpoint an installation key names. Creo Parametric keeps protk.dat and the machine
// folders below its Common Files folder, named by CommonFilesLocation, while its InstallDir is the
// Parametric folder beside it; Pro/ENGINEER keys carry InstallDir alone. So: CommonFilesLocation
// when it is a string (REG_SZ or REG_EXPAND_SZ) read whole and not empty; otherwise InstallDir
// when it is a string read whole (possibly empty); otherwise none. A value's text is its data up
// to the first NUL; a REG_EXPAND_SZ value's text is then expanded by `expand`, and the expanded
// text must fit kInstallDirCapacity bytes with its terminator, or the value is passed over as an
// over-long one is.
std::optional<LoadpointPath> LoadpointOfInstallation(const RegistryValueRead& commonFilesLocation,
                                                     const RegistryValueRead& installDir,
                                                     const ExpandEnvironment& expand);

// Calls `visit` with the name of every subkey of a key, asking `nameAt` for the names by index from
// 0 up: the Win32 status 0 gives the name, 234 (ERROR_MORE_DATA: the name does not fit the
// search's buffer, as a long name in a double-byte code page may not) passes that subkey over,
// any other status (no more subkeys, or a failure) ends the enumeration.
void ForEachSubkeyName(const std::function<long(std::uint32_t index, std::string& name)>& nameAt,
                       const std::function<void(const std::string& name)>& visit);

// Where each bitness keeps xtop.exe below a loadpoint. The listing prints the same sub-paths.
inline constexpr std::string_view kXtopBelowLoadpoint32 = "\\i486_nt\\obj\\xtop.exe";
inline constexpr std::string_view kXtopBelowLoadpoint64 = "\\x86e_win64\\obj\\xtop.exe";

// What a look at one file found.
enum class FilePresence { kPresent, kAbsent, kUnknown };

// Gives every loadpoint the bitness of the executable it holds: when `presenceOf` finds exactly
// one of its two xtop.exe files present and the other absent, the loadpoint goes to that
// bitness's list; otherwise (both, neither, or a look that could not tell) it stays in the list
// of the view it was found in. A 64-bit installation whose installer wrote its keys into the
// 32-bit view is thus registered with the 64-bit executable. An empty loadpoint is not looked
// at (it would name the current drive's root). Both lists end sorted and duplicate-free.
// `presenceOf` receives the loadpoint followed by the sub-path; it must only look.
void SettleBitness(Loadpoints& found, const std::function<FilePresence(const std::string&)>& presenceOf);

}  // namespace tarnwick
