// Support for the end-to-end tests: runs the real tarnwick.exe and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::e2e {

struct RunResult {
    std::string output;  // standard output as bytes, CR LF as the console wrote it
    unsigned long exitCode = 0;
};

// The folder of the running test program, with its trailing backslash; the programs under test
// are built beside it.
std::wstring ExeDirectory();

// Runs tarnwick.exe (next to the test program) with the given arguments, each quoted as the
// runtime library's argument splitting expects, and waits for it to end.
RunResult RunTarnwick(const std::vector<std::wstring>& arguments);

// The same for another program built next to the test program.
RunResult RunProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments);

// Joins lines with CR LF after each, as the program's text-mode output shows them.
std::string Lines(const std::vector<std::string>& lines);

// A fresh, empty directory under the system's temporary folder, deleted with its contents when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::string narrowPath() const;  // the path in the ANSI code page

private:
    std::wstring path_;
};

// Whole-file helpers on wide paths.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool FileExists(const std::wstring& path);

}  // namespace tarnwick::e2e
