#include "discovery/loadpoints.h"

#include <cstring>

namespace tarnwick {

LoadpointPath LoadpointPathFromValueData(const char* data, std::size_t size) {
    const void* nul = size == 0 ? nullptr : std::memchr(data, '\0', size);
    return LoadpointPath(data, nul ? static_cast<const char*>(nul) - data : size);
}

}  // namespace tarnwick
