// Win32 only: reading the key list file, searching the registry views for loadpoints, and looking
// at the loadpoints' machine folders for their bitness.
#include "discovery/loadpoint_search.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "discovery/registry_key_list.h"
#include "platform/ansi_text_win.h"
#include "platform/registry_key_win.h"
#include "platform/whole_file_win.h"
#include "skipped_file.h"

namespace tarnwick {

namespace {

// The key list from the file named by /reg. An absent /reg or an empty path gives an empty list.
// A file that is missing, unreadable, a directory or too large gives an empty list too, and a
// read error keeps the complete lines read before it; each of these is named in one line on
// standard error (otherwise a mistyped /reg path looks like a machine without loadpoints).
RegistryKeyList ReadRegistryKeyList(const RunOptions& options) {
    if (!options.keyList || options.keyList->empty()) return {};
    auto report = [&](FileFailure reason) { WriteErrorLine(KeyListNotReadLine(AnsiText(*options.keyList), reason)); };
    try {
        std::string bytes;
        // Shared with every other reader, writer and deleter: the program never locks the list out.
        const WholeFileRead file = ReadWholeFile(*options.keyList, bytes);
        if (file.failure != FileFailure::kNone) {
            report(file.failure);
            return {};
        }
        if (!file.reachedEnd) report(FileFailure::kUnreadable);
        return ParseRegistryKeyList(bytes, file.reachedEnd);
    } catch (const std::bad_alloc&) {
        // A file too large for the process's memory (no key list is) names no key.
        report(FileFailure::kTooLarge);
        return {};
    }
}

// Whether the system has a 64-bit registry view besides the 32-bit one. IsWow64Process says no
// for an x86 process on Windows on ARM, which has that view; IsWow64Process2 (Windows 10 1511 and
// later, looked up at run time so that the image still starts on older systems) tells the truth.
bool HasSixtyFourBitView() {
#ifdef _WIN64
    return true;
#else
    using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    if (const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll")) {
        const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
            reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process2")));
        USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
        USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
        if (isWow64Process2 != nullptr && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) {
            return processMachine != IMAGE_FILE_MACHINE_UNKNOWN;  // a 32-bit process on a wider system
        }
    }
    BOOL underWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
#endif
}

// One value of an installation key: its type, and its data when it fits kInstallDirCapacity bytes,
// in one query; only a string's data is kept. An expandable string that does not fit is read again
// into as many bytes as it needs, up to kExpandableCapacity, since the length rule is its expanded
// text's.
RegistryValueRead ReadPathValue(const RegistryKey& installation, const char* name) {
    RegistryValueRead value;
    std::string data(kInstallDirCapacity, '\0');
    win::StringRead read = installation.ReadString(name, data);
    if (read.status != ERROR_SUCCESS && read.status != ERROR_MORE_DATA) return value;
    value.exists = true;
    value.type = read.type;
    if (read.type != REG_SZ && read.type != REG_EXPAND_SZ) return value;
    if (read.status == ERROR_MORE_DATA) {
        if (read.type != REG_EXPAND_SZ || read.length > kExpandableCapacity) return value;
        data.assign(read.length, '\0');
        read = installation.ReadString(name, data);
        if (read.status != ERROR_SUCCESS) return value;
    }
    value.readWhole = true;
    data.resize(read.length);
    value.data = std::move(data);
    return value;
}

// The text expanded from this process's environment. The result is taken up to its terminator: the
// narrow function's reported size may count more than the bytes it wrote.
std::optional<std::string> ExpandFromEnvironment(const std::string& text) {
    std::string expanded(kExpandableCapacity, '\0');
    const DWORD size = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    if (size == 0 || size > expanded.size()) return std::nullopt;
    expanded.resize(std::strlen(expanded.c_str()));
    return expanded;
}

// Whether a file is there, by its attributes alone: nothing below a loadpoint is opened, created
// or changed to find out. A look that fails for any reason but a missing file or folder cannot tell.
FilePresence PresenceOf(const std::string& path) {
    const std::optional<std::wstring> wide = WidenFilePath(path);
    if (!wide) return FilePresence::kUnknown;
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FilePresence::kAbsent : FilePresence::kPresent;
    }
    return IsAbsence(GetLastError()) ? FilePresence::kAbsent : FilePresence::kUnknown;
}

// One search pass: every installation under every listed key, in one registry view.
void SearchView(const RegistryKeyList& keyPaths, RegistryView view, LoadpointList& found) {
    const REGSAM access = ReadAccessIn(view);
    for (const std::string& keyPath : keyPaths) {
        // The registry functions would stop at a NUL byte and open a different, shorter key path.
        if (keyPath.find('\0') != std::string::npos) continue;
        RegistryKey listed;
        if (listed.Open(HKEY_LOCAL_MACHINE, keyPath.c_str(), access) != ERROR_SUCCESS) continue;
        auto nameAt = [&](std::uint32_t index, std::string& name) {
            char buffer[260];
            DWORD size = sizeof(buffer);
            const LONG status = RegEnumKeyExA(listed.get(), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_SUCCESS) name.assign(buffer, size);
            return status;
        };
        ForEachSubkeyName(nameAt, [&](const std::string& name) {
            RegistryKey installation;
            if (installation.Open(listed.get(), name.c_str(), KEY_READ | listed.view()) != ERROR_SUCCESS) return;
            if (std::optional<LoadpointPath> path =
                    LoadpointOfInstallation(ReadPathValue(installation, "CommonFilesLocation"),
                                            ReadPathValue(installation, "InstallDir"), &ExpandFromEnvironment)) {
                found.push_back(std::move(*path));
            }
        });
    }
}

}  // namespace

Loadpoints FindLoadpoints(const RunOptions& options) {
    const RegistryKeyList keyPaths = ReadRegistryKeyList(options);
    Loadpoints found;
    SearchView(keyPaths, RegistryView::k32Bit, found.thirtyTwoBit);
    if (HasSixtyFourBitView()) SearchView(keyPaths, RegistryView::k64Bit, found.sixtyFourBit);
    SettleBitness(found, &PresenceOf);
    return found;
}

}  // namespace tarnwick
