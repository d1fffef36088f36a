// Win32 edge of the registration steps: the loadpoints' protk.dat files, the spare registry files
// and the materials. Nothing here prints to standard output; every failure passes over the item
// concerned.
#include "registration/registration.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ascii.h"
#include "platform/ansi_text_win.h"
#include "registration/application_entry.h"
#include "registration/guarded_update_win.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

constexpr std::size_t kPathCapacity = MAX_PATH;  // characters, terminator included

void UpdateLoadpointList(const LoadpointList& loadpoints, std::string_view name, const std::vector<std::string>* entry,
                         RegistryFileBuffers& buffers) {
    for (const LoadpointPath& loadpoint : loadpoints) {
        // An empty path would name "\text\protk.dat" on whatever the current drive is.
        if (loadpoint.empty()) continue;
        UpdateRegistryFile(loadpoint + "\\text\\protk.dat", name, entry, buffers);
    }
}

// Whether a name that the search for *.mtl returned is a material file's: its long name ends in
// ".mtl" in any letter case. The search also matches 8.3 short names, so steel.mtlx (short name
// STEEL~1.MTL) comes back too.
bool IsMaterialFileName(std::wstring_view name) {
    constexpr std::wstring_view kExtension = L".mtl";
    if (name.size() < kExtension.size()) return false;
    return std::equal(kExtension.begin(), kExtension.end(), name.end() - kExtension.size(),
                      [](wchar_t wanted, wchar_t c) { return FoldAscii(c) == wanted; });
}

}  // namespace

void UpdateLoadpointRegistryFiles(const RunOptions& options, const Loadpoints& loadpoints) {
    // A name beyond what the 8-bit file can store can neither match an entry nor be written.
    const std::optional<std::string> name = EncodeRegistryFileText(ValueOf(options.name));
    if (!name) return;
    const struct {
        const std::optional<std::wstring>& executable;
        const LoadpointList& loadpoints;
    } passes[] = {{options.exec32, loadpoints.thirtyTwoBit}, {options.exec64, loadpoints.sixtyFourBit}};
    RegistryFileBuffers buffers;  // reused from file to file: no large allocation per loadpoint
    for (const auto& pass : passes) {
        if (options.unregister) {
            UpdateLoadpointList(pass.loadpoints, *name, nullptr, buffers);
            continue;
        }
        if (!pass.executable) continue;
        const std::optional<std::vector<std::string>> entry =
            BuildApplicationEntry(options, *pass.executable, EntryPlacement::kLoadpointFile);
        if (!entry) continue;  // rejected before any file of this pass is touched
        UpdateLoadpointList(pass.loadpoints, *name, &*entry, buffers);
    }
}

void WriteSpareRegistryFiles(const RunOptions& options) {
    if (!options.sparesDir || options.sparesDir->empty()) return;
    std::wstring directory = *options.sparesDir;
    if (directory.back() != L'\\') directory.push_back(L'\\');
    // Both file names have twelve characters; a directory too long for them is skipped whole.
    if (directory.size() + 12 + 1 > kPathCapacity) return;
    const std::wstring spare32 = directory + L"protkx32.dat";
    const std::wstring spare64 = directory + L"protkx64.dat";
    if (options.unregister) {
        DeleteSpareRegistryFile(spare32);
        DeleteSpareRegistryFile(spare64);
        return;
    }
    if (options.exec64) WriteSpareRegistryFile(options, spare64, *options.exec64);
    if (options.exec32) WriteSpareRegistryFile(options, spare32, *options.exec32);
}

void InstallMaterials(const RunOptions& options, const Loadpoints& loadpoints) {
    if (options.unregister) return;  // materials are for installation only
    if (!options.materialsDir || options.materialsDir->empty()) return;
    const std::wstring& directory = *options.materialsDir;
    const std::wstring pattern = directory + L"\\*.mtl";
    if (pattern.size() + 1 > kPathCapacity) return;

    // Every loadpoint of either list, a directory standing in both served once.
    std::vector<std::wstring> libraries;
    std::vector<const LoadpointPath*> served;
    for (const LoadpointList* list : {&loadpoints.thirtyTwoBit, &loadpoints.sixtyFourBit}) {
        for (const LoadpointPath& loadpoint : *list) {
            if (loadpoint.empty()) continue;
            if (std::any_of(served.begin(), served.end(),
                            [&](const LoadpointPath* seen) { return *seen == loadpoint; }))
                continue;
            served.push_back(&loadpoint);
            if (std::optional<std::wstring> wide = WidenFilePath(loadpoint))
                libraries.push_back(*wide + L"\\text\\materials-library\\");
        }
    }

    WIN32_FIND_DATAW found;
    const win::FindHandle search(FindFirstFileW(pattern.c_str(), &found));
    if (!search.valid()) return;
    do {
        if (!IsMaterialFileName(found.cFileName)) continue;
        const std::wstring source = directory + L"\\" + found.cFileName;
        if (source.size() + 1 > kPathCapacity) continue;
        for (const std::wstring& library : libraries) {
            // Never overwrites: a material already there, in any version, stays.
            CopyFileW(source.c_str(), (library + found.cFileName).c_str(), TRUE);
        }
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace tarnwick
