// The floor of a registration, as a program of its own for the process-level benchmark: the least
// that any program doing tarnwick.exe's job must do. It finds the loadpoints under the keys of the
// key list file (InstallDir of each subkey, in the program's own registry view), lists each with
// one write, then for each loadpoint reads text\protk.dat whole, writes the bytes to a temporary
// file beside it, flushes that to disk and renames it over the old file. No turn, no identity, no
// security carried over, no merge.
//
// Usage: tarnwick_registration_floor /reg:KEY_LIST_FILE
#include <windows.h>

#include <string>
#include <vector>

namespace {

bool ReadWhole(const std::string& path, std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    const bool read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) != 0;
    CloseHandle(file);
    bytes.resize(got);
    return read;
}

// The loadpoints under one listed key: the InstallDir of each subkey.
void FindUnder(const std::string& keyPath, std::vector<std::string>& loadpoints) {
    HKEY listed = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &listed) != ERROR_SUCCESS) return;
    char name[260];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof(name);
        if (RegEnumKeyExA(listed, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        char data[260];
        DWORD size = sizeof(data);
        if (RegGetValueA(listed, name, "InstallDir", RRF_RT_REG_SZ, nullptr, data, &size) == ERROR_SUCCESS) {
            loadpoints.emplace_back(data);
        }
    }
    RegCloseKey(listed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]).rfind("/reg:", 0) != 0) return 2;
    std::string keys;
    if (!ReadWhole(argv[1] + 5, keys)) return 2;
    std::vector<std::string> loadpoints;
    for (std::size_t start = 0, end; start < keys.size(); start = end + 1) {
        end = keys.find('\n', start);
        if (end == std::string::npos) end = keys.size();
        std::string line = keys.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) FindUnder(line, loadpoints);
    }

    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string line;
    for (const std::string& loadpoint : loadpoints) {
        line.assign(loadpoint).append("\r\n");
        DWORD written = 0;
        WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    std::string bytes;
    for (const std::string& loadpoint : loadpoints) {
        const std::string path = loadpoint + "\\text\\protk.dat";
        const std::string temporary = path + ".new";
        if (!ReadWhole(path, bytes)) continue;
        const HANDLE file =
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD written = 0;
        const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
                           FlushFileBuffers(file) != 0;
        CloseHandle(file);
        if (whole) MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return 1;
}
