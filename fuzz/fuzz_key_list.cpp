// Fuzz target: the splitter of the registry-key list file.
//
// Input: one byte whose lowest bit says whether the bytes are the whole file, then the file's
// bytes.
//
// Properties: the list is sorted by unsigned byte comparison with no two entries equal; no entry
// is empty or holds a line feed; the list is exactly the set of non-empty lines (a CR right
// before an LF dropped, every other byte kept); the same file with CR LF written as LF gives the
// same list (a line that ends in a CR keeps its CR LF); a file read only in part gives complete
// lines of the whole file's list and no line that is not in it.
#include <algorithm>
#include <set>
#include <string>

#include "discovery/registry_key_list.h"
#include "fuzz_check.h"

namespace {

bool ByteLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

// The non-empty lines, written out the plain way.
std::set<std::string> LinesOf(std::string_view bytes, bool wholeFile) {
    std::set<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.insert(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (wholeFile && !line.empty()) lines.insert(line);
    return lines;
}

std::string WithoutCarriageReturnsBeforeFeeds(std::string_view bytes) {
    std::string plain;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // A line that itself ends in a CR keeps its CR LF: written with a bare LF it would read
        // as the line without that CR.
        const bool lineEndsInCr = i > 0 && bytes[i - 1] == '\r';
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' && !lineEndsInCr) continue;
        plain.push_back(bytes[i]);
    }
    return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const bool wholeFile = input.Flag();
    const std::string_view bytes = input.Rest();

    const tarnwick::RegistryKeyList list = tarnwick::ParseRegistryKeyList(bytes, wholeFile);
    for (std::size_t i = 0; i < list.size(); ++i) {
        FUZZ_CHECK(!list[i].empty());
        FUZZ_CHECK(list[i].find('\n') == std::string::npos);
        if (i > 0) FUZZ_CHECK(ByteLess(list[i - 1], list[i]));
    }
    const std::set<std::string> expected = LinesOf(bytes, wholeFile);
    FUZZ_CHECK(list.size() == expected.size());
    for (const std::string& key : list) FUZZ_CHECK(expected.count(key) == 1);

    FUZZ_CHECK(tarnwick::ParseRegistryKeyList(WithoutCarriageReturnsBeforeFeeds(bytes), wholeFile) == list);

    if (wholeFile) {
        const tarnwick::RegistryKeyList partial = tarnwick::ParseRegistryKeyList(bytes, false);
        for (const std::string& key : partial) {
            FUZZ_CHECK(std::binary_search(list.begin(), list.end(), key, ByteLess));
        }
    }
    return 0;
}
