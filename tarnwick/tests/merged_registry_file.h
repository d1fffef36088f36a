// The registry-file merge (registration/registry_file.h) as one value, for the tests and the fuzz
// target that compare what a merge gives: nothing when the file is to be left as it is.
// Platform-free, header-only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/registry_file.h"

namespace tarnwick {

inline std::optional<std::string> MergeRegistryFile(std::optional<std::string_view> existing, std::string_view name,
                                                    const std::vector<std::string>* entry) {
    std::string merged;
    if (!MergeRegistryFile(existing, name, entry, merged)) return std::nullopt;
    return merged;
}

}  // namespace tarnwick
