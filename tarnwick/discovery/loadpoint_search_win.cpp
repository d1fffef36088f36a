// Win32 only: reading the key list file and searching the registry views for loadpoints.
#include <windows.h>

#include <cwchar>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "cli/option_table.h"
#include "discovery/loadpoints.h"
#include "discovery/registry_key_list.h"
#include "discovery/registry_key_win.h"
#include "platform/file_handle_win.h"

namespace tarnwick {

namespace {

// Reads the whole file as bytes. Returns false when it cannot be opened (missing, a directory,
// no access); `reachedEnd` tells whether the reading got to the end or stopped at an error.
bool ReadFileWhole(const wchar_t* path, std::string& bytes, bool& reachedEnd) {
    // Shared with every other reader, writer and deleter: the program never locks the list out.
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    char chunk[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr)) {
            reachedEnd = false;
            return true;
        }
        if (got == 0) {
            reachedEnd = true;
            return true;
        }
        bytes.append(chunk, got);
    }
}

// Whether the system has a 64-bit registry view besides the 32-bit one.
bool HasSixtyFourBitView() {
#ifdef _WIN64
    return true;
#else
    BOOL underWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
#endif
}

// The loadpoint path that an installation key's InstallDir holds, if it is a string of at most
// kInstallDirCapacity bytes.
std::optional<LoadpointPath> ReadInstallDir(HKEY installation) {
    DWORD type = REG_NONE;
    if (RegQueryValueExA(installation, "InstallDir", nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    char data[kInstallDirCapacity];
    DWORD size = sizeof(data);
    if (RegQueryValueExA(installation, "InstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return LoadpointPathFromValueData(data, size < sizeof(data) ? size : sizeof(data));
}

// One search pass: every installation under every listed key, in one registry view.
void SearchView(const RegistryKeyList& keyPaths, RegistryView view, LoadpointList& found) {
    const REGSAM access = ReadAccessIn(view);
    for (const std::string& keyPath : keyPaths) {
        // The registry functions would stop at a NUL byte and open a different, shorter key path.
        if (keyPath.find('\0') != std::string::npos) continue;
        RegistryKey listed;
        if (listed.Open(HKEY_LOCAL_MACHINE, keyPath.c_str(), access) != ERROR_SUCCESS) continue;
        for (DWORD index = 0;; ++index) {
            char name[260];
            DWORD nameSize = sizeof(name);
            if (RegEnumKeyExA(listed.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            RegistryKey installation;
            if (installation.Open(listed.get(), name, access) != ERROR_SUCCESS) continue;
            if (std::optional<LoadpointPath> path = ReadInstallDir(installation.get())) {
                found.push_back(std::move(*path));
            }
        }
    }
}

}  // namespace

void ReadRegistryKeyList(RegistryKeyList& list) {
    list.clear();
    const CommandOption& reg = OptionTable[kOptReg];
    if (!reg.present) return;
    const std::wstring path(reg.value, wcsnlen(reg.value, kOptionValueCapacity));
    if (path.empty()) return;
    try {
        std::string bytes;
        bool reachedEnd = false;
        if (!ReadFileWhole(path.c_str(), bytes, reachedEnd)) return;
        list = ParseRegistryKeyList(bytes, reachedEnd);
    } catch (const std::bad_alloc&) {
        // A file too large for the process's memory (no key list is) names no key.
        list.clear();
    }
}

void FindLoadpoints() {
    LoadpointList32.clear();
    LoadpointList64.clear();
    RegistryKeyList keyPaths;
    ReadRegistryKeyList(keyPaths);
    SearchView(keyPaths, RegistryView::k32Bit, LoadpointList32);
    if (HasSixtyFourBitView()) SearchView(keyPaths, RegistryView::k64Bit, LoadpointList64);
    SortAndRemoveDuplicates(LoadpointList32);
    SortAndRemoveDuplicates(LoadpointList64);
}

}  // namespace tarnwick
