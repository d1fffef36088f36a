#include "discovery/registry_key_list.h"

#include <algorithm>
#include <cstring>

namespace tarnwick {

namespace {

bool ByteLess(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    // memcmp compares as unsigned char, so 0x80 and above sort after ASCII.
    const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

}  // namespace

void SortAndRemoveDuplicates(std::vector<std::string>& strings) {
    std::sort(strings.begin(), strings.end(), ByteLess);
    strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
}

RegistryKeyList ParseRegistryKeyList(std::string_view bytes, bool reachedEnd) {
    RegistryKeyList list;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t feed = bytes.find('\n', start);
        if (feed == std::string_view::npos) {
            if (reachedEnd) list.emplace_back(bytes.substr(start));
            break;
        }
        std::size_t end = feed;
        if (end > start && bytes[end - 1] == '\r') --end;
        if (end > start) list.emplace_back(bytes.substr(start, end - start));
        start = feed + 1;
    }
    SortAndRemoveDuplicates(list);
    return list;
}

}  // namespace tarnwick
