// Test support (Win32 only): runs the exports of the real brimsett.dll in installer sessions.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/msi_harness_win.h"

namespace brimsett_test {

using Properties = std::vector<std::pair<std::wstring, std::wstring>>;

// What one export did in a session of its own.
struct ActionRun {
    UINT result = 0;
    Lines lines;         // the action's log lines, the verbose entry line left out
    Properties after;    // the values of the asked-for properties afterwards
    std::wstring error;  // set when the session could not be opened

    std::wstring Property(const std::wstring& name) const;
};

// Opens a package around brimsett.dll with `properties` (set again once it is open, over what
// the installer sets itself), runs `exportName` once as a custom action of the same name, and
// collects the lines written under `logName` and the values of `read`.
// A non-empty `cancelAt` answers IDCANCEL to the first informational line that begins with it.
ActionRun RunExport(const std::wstring& exportName, const std::wstring& logName, const Properties& properties,
                    const std::vector<std::wstring>& read = {}, const std::wstring& cancelAt = L"");

// The DLL under test, built beside the test programs.
std::wstring BrimsettDllPath();

}  // namespace brimsett_test
