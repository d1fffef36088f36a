#include "discovery/loadpoints.h"

#include <cstring>
#include <utility>

#include "discovery/registry_key_list.h"

namespace tarnwick {

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

std::optional<LoadpointPath> PathOf(const RegistryValueRead& value, const ExpandEnvironment& expand) {
    if (!value.exists || (value.type != kRegSz && value.type != kRegExpandSz) || !value.readWhole) {
        return std::nullopt;
    }
    LoadpointPath text = LoadpointPathFromValueData(value.data.data(), value.data.size());
    if (value.type == kRegSz) return text;
    std::optional<LoadpointPath> expanded = expand(text);
    if (!expanded || expanded->size() >= kInstallDirCapacity) return std::nullopt;
    return expanded;
}

enum class Bitness { k32, k64 };

// The bitness the machine folders below `loadpoint` show, if they show one.
std::optional<Bitness> BitnessOnDisk(const LoadpointPath& loadpoint,
                                     const std::function<FilePresence(const std::string&)>& presenceOf) {
    if (loadpoint.empty()) return std::nullopt;
    const FilePresence xtop32 = presenceOf(loadpoint + std::string(kXtopBelowLoadpoint32));
    const FilePresence xtop64 = presenceOf(loadpoint + std::string(kXtopBelowLoadpoint64));
    if (xtop32 == FilePresence::kPresent && xtop64 == FilePresence::kAbsent) return Bitness::k32;
    if (xtop64 == FilePresence::kPresent && xtop32 == FilePresence::kAbsent) return Bitness::k64;
    return std::nullopt;
}

}  // namespace

LoadpointPath LoadpointPathFromValueData(const char* data, std::size_t size) {
    const void* nul = size == 0 ? nullptr : std::memchr(data, '\0', size);
    return LoadpointPath(data, nul ? static_cast<const char*>(nul) - data : size);
}

std::optional<LoadpointPath> LoadpointOfInstallation(const RegistryValueRead& commonFilesLocation,
                                                     const RegistryValueRead& installDir,
                                                     const ExpandEnvironment& expand) {
    std::optional<LoadpointPath> commonFiles = PathOf(commonFilesLocation, expand);
    if (commonFiles && !commonFiles->empty()) return commonFiles;
    return PathOf(installDir, expand);
}

void ForEachSubkeyName(const std::function<long(std::uint32_t index, std::string& name)>& nameAt,
                       const std::function<void(const std::string& name)>& visit) {
    constexpr long kSuccess = 0;
    constexpr long kMoreData = 234;
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        const long status = nameAt(index, name);
        if (status == kMoreData) continue;  // that subkey's alone: the others are still looked at
        if (status != kSuccess) return;
        visit(name);
    }
}

void SettleBitness(Loadpoints& found, const std::function<FilePresence(const std::string&)>& presenceOf) {
    Loadpoints settled;
    const struct {
        LoadpointList& from;
        Bitness view;
    } views[] = {{found.thirtyTwoBit, Bitness::k32}, {found.sixtyFourBit, Bitness::k64}};
    for (const auto& view : views) {
        for (LoadpointPath& loadpoint : view.from) {
            const Bitness bitness = BitnessOnDisk(loadpoint, presenceOf).value_or(view.view);
            (bitness == Bitness::k32 ? settled.thirtyTwoBit : settled.sixtyFourBit).push_back(std::move(loadpoint));
        }
    }
    SortAndRemoveDuplicates(settled.thirtyTwoBit);
    SortAndRemoveDuplicates(settled.sixtyFourBit);
    found = std::move(settled);
}

}  // namespace tarnwick
