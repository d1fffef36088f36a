// Support of Tarnwick's Windows tests beyond the test kit (testkit/): running tarnwick.exe,
// loadpoint folders and keys, and a process that holds a file open.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "testkit/process_win.h"
#include "win/scoped_handle.h"

namespace tarnwick::test {

// The lines a registration run begins with: the banner, then the heading over the loadpoints.
inline const std::string kBanner = "Pro/TOOLKIT integration utility";
inline const std::string kHeading = "The following Pro/ENGINEER / Creo loadpoints have been found";

// Runs tarnwick.exe (beside the test program) with the given arguments and waits for its end.
testkit::ProcessResult RunTarnwick(const std::vector<std::wstring>& arguments);

// Joins lines with CR LF after each, as the program's text-mode output shows them.
std::string Lines(const std::vector<std::string>& lines);

// Holds `path` open from another process (tarnwick_file_holder, next to the test program) for
// as long as the object lives. `mode` is "exclusive", "writeonly", "reading" or "turn" (the file's
// turn: the run that waits for it is stalled).
class FileHolder {
public:
    FileHolder(const std::wstring& mode, const std::wstring& path);
    ~FileHolder();
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool holding() const { return holding_; }

private:
    win::KernelHandle ready_;
    win::KernelHandle release_;
    std::unique_ptr<testkit::ChildProcess> holder_;
    bool holding_ = false;
};

// Makes `root`\`name` with a text folder (and, when asked, text\materials-library) and returns
// the loadpoint's path.
std::wstring MakeLoadpoint(const std::wstring& root, const std::wstring& name, bool withMaterialsLibrary = false);

// A registry key of its own under HKLM\SOFTWARE, in both registry views, whose subkeys carry
// InstallDir values as a CAD application's installations would. Deleted in both views when the
// object goes away.
class ThrowawayLoadpointKeys {
public:
    ThrowawayLoadpointKeys();
    ~ThrowawayLoadpointKeys();
    ThrowawayLoadpointKeys(const ThrowawayLoadpointKeys&) = delete;
    ThrowawayLoadpointKeys& operator=(const ThrowawayLoadpointKeys&) = delete;

    // Adds subkey `installation` with InstallDir = `directory` in the view given by `view`
    // (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
    bool Add(REGSAM view, const std::wstring& installation, const std::wstring& directory);
    // The key's path below HKEY_LOCAL_MACHINE, as a line of the registry-key list file.
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace tarnwick::test
