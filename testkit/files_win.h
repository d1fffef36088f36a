// Win32 test kit: throwaway folders, whole files, folder listings and text conversions.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// Deletes the folder with everything in it, read-only files included.
void RemoveTree(const std::wstring& folder);

// A fresh, empty folder under the system's temporary folder, named `<stem><process id>_<n>`,
// deleted with its contents when the object goes away.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& stem = L"tk");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }  // without a trailing backslash; empty on failure

private:
    std::wstring path_;
};

// Whole-file helpers on wide paths. WriteFileBytes replaces the file; ReadFileBytes reads it
// while others may read and write it.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
// A text file: UTF-16 when it starts with a byte-order mark, else text in the ANSI code page.
bool ReadTextFile(const std::wstring& path, std::wstring& text);

bool FileExists(const std::wstring& path);  // a file or a folder
bool DirectoryExists(const std::wstring& path);
// The names in a folder, "." and ".." left out, sorted.
std::vector<std::wstring> ListDirectory(const std::wstring& folder);

// Conversions between wide text and the ANSI code page, for paths and messages in tests.
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

}  // namespace testkit
