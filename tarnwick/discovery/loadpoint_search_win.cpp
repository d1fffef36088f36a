// Win32 only: reading the key list file and searching the registry views for loadpoints.
#include "discovery/loadpoint_search.h"

#include <windows.h>

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "discovery/registry_key_list.h"
#include "passed_over.h"
#include "platform/ansi_text_win.h"
#include "platform/registry_key_win.h"
#include "platform/whole_file_win.h"

namespace tarnwick {

namespace {

// The key list from the file named by /reg. An absent /reg or an empty path gives an empty list.
// A file that is missing, unreadable, a directory or too large gives an empty list too, and a
// read error keeps the complete lines read before it; each of these is named in one line on
// standard error (otherwise a mistyped /reg path looks like a machine without loadpoints).
RegistryKeyList ReadRegistryKeyList(const RunOptions& options) {
    if (!options.keyList || options.keyList->empty()) return {};
    auto report = [&](PassOverReason reason) {
        WriteErrorLine(KeyListNotReadLine(AnsiText(*options.keyList), reason));
    };
    try {
        std::string bytes;
        // Shared with every other reader, writer and deleter: the program never locks the list out.
        const WholeFileRead file = ReadWholeFile(*options.keyList, ReadSharing::kEveryone, bytes);
        if (file.state == FileReadState::kAbsent) {
            report(PassOverReason::kNotFound);
            return {};
        }
        if (file.state != FileReadState::kRead) {
            // The failed open's own status: nothing since has touched it.
            report(GetLastError() == ERROR_SHARING_VIOLATION ? PassOverReason::kHeldOpen : PassOverReason::kUnreadable);
            return {};
        }
        if (!file.reachedEnd) report(PassOverReason::kUnreadable);
        return ParseRegistryKeyList(bytes, file.reachedEnd);
    } catch (const std::bad_alloc&) {
        // A file too large for the process's memory (no key list is) names no key.
        report(PassOverReason::kTooLarge);
        return {};
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

Loadpoints FindLoadpoints(const RunOptions& options) {
    const RegistryKeyList keyPaths = ReadRegistryKeyList(options);
    Loadpoints found;
    SearchView(keyPaths, RegistryView::k32Bit, found.in32BitView);
    if (HasSixtyFourBitView()) SearchView(keyPaths, RegistryView::k64Bit, found.in64BitView);
    SortAndRemoveDuplicates(found.in32BitView);
    SortAndRemoveDuplicates(found.in64BitView);
    return found;
}

}  // namespace tarnwick
