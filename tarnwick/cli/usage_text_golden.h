// Tests only: the usage text as the help run prints it today, byte for byte. It is the one place
// besides the option's row that a new option changes in the tests: every other test takes the names,
// the counts and the descriptions from kOptionTable.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::test {

// One option's two usage lines: "/" and its name, then a tab and its description.
struct UsageOptionLines {
    const wchar_t* name;
    const wchar_t* description;
};

inline constexpr UsageOptionLines kUsageOptionLines[] = {
    {L"/?", L"\tDisplays usage help."},
    {L"/unregister", L"\tUnregisters the Pro/TOOLKIT application."},
    {L"/listxtops",
     L"\tOutputs a list of XTOP.EXE application locations. When this setting is present, you must also use /reg, all "
     L"other settings are ignored except /?."},
    {L"/name", L"\tThe Pro/TOOLKIT application name."},
    {L"/startup",
     L"\tThe start up method used to invoke the Pro/TOOLKIT application. Example valid values are 'spawn', 'dll' or "
     L"'java'."},
    {L"/fail",
     L"\tSpecifies that host CAD application should close when errors are encountered in the Pro/TOOLKIT application."},
    {L"/exec32", L"\tThe full path to the 32-bit Pro/TOOLKIT application."},
    {L"/exec64", L"\tThe full path to the 64-bit Pro/TOOLKIT application."},
    {L"/text", L"\tThe full path to the text directory the Pro/TOOLKIT application loads resources from."},
    {L"/unicode",
     L"\tSpecifies that the Pro/TOOLKIT application should be flagged as using UNICODE encoding. By default, UNICODE "
     L"encoding will not be enabled."},
    {L"/delay",
     L"\tSpecifies that the Pro/TOOLKIT application should not be started when the host CAD application starts."},
    {L"/desc", L"\tA description of the Pro/TOOLKIT application."},
    {L"/reg",
     L"\tThe full path of a data file containing the registry keys to use to locate Pro/ENGINEER and Creo loadpoints."},
    {L"/spares",
     L"\tThe path of a directory to generate spare Pro/TOOLKIT registry files in. Any existing registry files named "
     L"protkx32.dat or protkx64.dat will be overridden."},
    {L"/materials",
     L"\tThe path of a directory that contains material data to install into the host CAD applications. For "
     L"installation only."},
};

// The whole text, one entry per line: the banner, "Usage params:", then each option's two lines.
inline std::vector<std::wstring> UsageLines() {
    std::vector<std::wstring> lines = {L"Pro/TOOLKIT integration utility", L"Usage params:"};
    for (const UsageOptionLines& option : kUsageOptionLines) {
        lines.emplace_back(option.name);
        lines.emplace_back(option.description);
    }
    return lines;
}

}  // namespace tarnwick::test
