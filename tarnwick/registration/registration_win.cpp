// Win32 edge of the registration steps: the loadpoints' protk.dat files, the spare registry files
// and the materials. Nothing here prints; every failure passes over the item concerned.
#include "registration/registration.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "cli/option_table.h"
#include "discovery/loadpoints.h"
#include "registration/application_entry.h"
#include "registration/registry_file_win.h"

namespace tarnwick {

namespace {

constexpr std::size_t kPathCapacity = MAX_PATH;  // characters, terminator included

bool IsPresent(OptionIndex index) {
    return OptionTable[index].present;
}
std::wstring_view ValueOf(OptionIndex index) {
    return OptionTable[index].value;
}

// A loadpoint path as the narrow file functions would read it.
std::optional<std::wstring> WidenLoadpointPath(const std::string& narrow) {
    if (narrow.empty()) return std::wstring();
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int size = MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(), size);
    return wide;
}

void UpdateLoadpointList(const LoadpointList& loadpoints, std::string_view name, const std::vector<std::string>* entry,
                         RegistryFileBuffers& buffers) {
    for (const LoadpointPath& loadpoint : loadpoints) {
        // An empty path would name "\text\protk.dat" on whatever the current drive is.
        if (loadpoint.empty()) continue;
        UpdateRegistryFile(loadpoint + "\\text\\protk.dat", name, entry, buffers);
    }
}

}  // namespace

FileReadState ReadRegistryFileLines(const std::string& path, std::string& bytes, unsigned long& attributes) {
    return ReadWholeFile(path, bytes, attributes);
}

bool WriteRegistryFileLines(const RegistryFileLines& lines, const std::string& path,
                            std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContents(path, SerializeRegistryFileLines(lines), existingAttributes);
}

bool WriteRegistryFileLines(const std::string& path, std::string_view serialized,
                            std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContents(path, serialized, existingAttributes);
}

namespace {

void UpdateRegistryFileInMemory(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                                RegistryFileBuffers& buffers) {
    unsigned long attributes = 0;
    const FileReadState state = ReadRegistryFileLines(path, buffers.read, attributes);
    if (state == FileReadState::kUnreadable) return;
    std::optional<std::string_view> existing;
    std::optional<unsigned long> existingAttributes;
    if (state == FileReadState::kRead) {
        existing = buffers.read;
        existingAttributes = attributes;
    }
    if (!MergeRegistryFile(existing, name, entry, buffers.merged)) return;
    WriteRegistryFileLines(path, buffers.merged, existingAttributes);
}

}  // namespace

void UpdateRegistryFile(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                        RegistryFileBuffers& buffers) {
    try {
        UpdateRegistryFileInMemory(path, name, entry, buffers);
    } catch (const std::bad_alloc&) {
        // A file too large for the process's memory is left as it is, like an unreadable one;
        // the next loadpoint starts with buffers of its own size again.
        buffers = RegistryFileBuffers();
    } catch (const std::length_error&) {
        buffers = RegistryFileBuffers();
    }
}

void WriteSpareRegistryFile(const std::wstring& path, std::wstring_view executable) {
    std::optional<std::string> content = BuildSpareRegistryFile(OptionTable, executable);
    if (!content) return;  // a value the file cannot store: the old file stays as it was
    unsigned long attributes = 0;
    switch (FileAttributes(path, attributes)) {
        case FileReadState::kRead:
            ReplaceFileContents(path, *content, attributes);
            break;
        case FileReadState::kAbsent:
            ReplaceFileContents(path, *content, std::nullopt);
            break;
        case FileReadState::kUnreadable:
            break;
    }
}

void UpdateLoadpointRegistryFiles() {
    const bool unregistering = IsPresent(kOptUnregister);
    // A name beyond what the 8-bit file can store can neither match an entry nor be written.
    const std::optional<std::string> name = EncodeRegistryFileText(ValueOf(kOptName));
    if (!name) return;
    const struct {
        OptionIndex executable;
        const LoadpointList& loadpoints;
    } passes[] = {{kOptExec32, LoadpointList32}, {kOptExec64, LoadpointList64}};
    RegistryFileBuffers buffers;  // reused from file to file: no large allocation per loadpoint
    for (const auto& pass : passes) {
        if (unregistering) {
            UpdateLoadpointList(pass.loadpoints, *name, nullptr, buffers);
            continue;
        }
        if (!IsPresent(pass.executable)) continue;
        const std::optional<std::vector<std::string>> entry =
            BuildApplicationEntry(OptionTable, ValueOf(pass.executable), EntryPlacement::kLoadpointFile);
        if (!entry) continue;  // rejected before any file of this pass is touched
        UpdateLoadpointList(pass.loadpoints, *name, &*entry, buffers);
    }
}

void WriteSpareRegistryFiles() {
    if (!IsPresent(kOptSpares) || ValueOf(kOptSpares).empty()) return;
    std::wstring directory(ValueOf(kOptSpares));
    if (directory.back() != L'\\') directory.push_back(L'\\');
    // Both file names have twelve characters; a directory too long for them is skipped whole.
    if (directory.size() + 12 + 1 > kPathCapacity) return;
    const std::wstring spare32 = directory + L"protkx32.dat";
    const std::wstring spare64 = directory + L"protkx64.dat";
    if (IsPresent(kOptUnregister)) {
        DeleteFileW(spare32.c_str());
        DeleteFileW(spare64.c_str());
        return;
    }
    if (IsPresent(kOptExec64)) WriteSpareRegistryFile(spare64, ValueOf(kOptExec64));
    if (IsPresent(kOptExec32)) WriteSpareRegistryFile(spare32, ValueOf(kOptExec32));
}

void InstallMaterials() {
    if (IsPresent(kOptUnregister)) return;  // materials are for installation only
    if (!IsPresent(kOptMaterials) || ValueOf(kOptMaterials).empty()) return;
    const std::wstring directory(ValueOf(kOptMaterials));
    const std::wstring pattern = directory + L"\\*.mtl";
    if (pattern.size() + 1 > kPathCapacity) return;

    // Every loadpoint of either list, a directory standing in both served once.
    std::vector<std::wstring> libraries;
    std::vector<const LoadpointPath*> served;
    for (const LoadpointList* list : {&LoadpointList32, &LoadpointList64}) {
        for (const LoadpointPath& loadpoint : *list) {
            if (loadpoint.empty()) continue;
            if (std::any_of(served.begin(), served.end(),
                            [&](const LoadpointPath* seen) { return *seen == loadpoint; }))
                continue;
            served.push_back(&loadpoint);
            if (std::optional<std::wstring> wide = WidenLoadpointPath(loadpoint))
                libraries.push_back(*wide + L"\\text\\materials-library\\");
        }
    }

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring source = directory + L"\\" + found.cFileName;
        if (source.size() + 1 > kPathCapacity) continue;
        for (const std::wstring& library : libraries) {
            // Never overwrites: a material already there, in any version, stays.
            CopyFileW(source.c_str(), (library + found.cFileName).c_str(), TRUE);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace tarnwick
