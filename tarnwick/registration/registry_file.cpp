#include "registration/registry_file.h"

#include <cstring>

namespace tarnwick {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsFolded(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAscii(text[i]) != lowerWord[i]) return false;
    }
    return true;
}

bool IsEndLine(std::string_view line) {
    return EqualsFolded(TrimBlanks(line), "end");
}

bool IsNameLineOf(std::string_view trimmedLine, std::string_view trimmedName) {
    if (trimmedLine.size() < 5 || !EqualsFolded(trimmedLine.substr(0, 4), "name")) return false;
    return TrimBlanks(trimmedLine.substr(4)) == trimmedName;
}

}  // namespace

RegistryFileLines SplitRegistryFileLines(std::string_view bytes) {
    RegistryFileLines lines;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* start = begin;
    for (;;) {
        const char* feed =
            start == end ? nullptr
                         : static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
        if (feed == nullptr) {
            lines.emplace_back(start, static_cast<std::size_t>(end - start));
            return lines;
        }
        const char* lineEnd = (feed > start && feed[-1] == '\r') ? feed - 1 : feed;
        lines.emplace_back(start, static_cast<std::size_t>(lineEnd - start));
        start = feed + 1;
    }
}

std::string SerializeRegistryFileLines(const RegistryFileLines& lines) {
    std::size_t size = 0;
    for (std::string_view line : lines) size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    bool lastWasEmpty = false;
    for (std::string_view line : lines) {
        if (line.empty() && lastWasEmpty) continue;
        lastWasEmpty = line.empty();
        bytes.append(line);
        bytes.append("\r\n", 2);
    }
    return bytes;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool RemoveApplicationEntries(RegistryFileLines& lines, std::string_view name) {
    const std::string_view trimmedName = TrimBlanks(name);
    bool skipping = false;
    bool found = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (skipping) {
            if (IsEndLine(line)) skipping = false;
            continue;
        }
        const std::string_view trimmed = TrimBlanks(line);
        if (!trimmed.empty() && IsNameLineOf(trimmed, trimmedName)) {
            skipping = true;
            found = true;
            continue;
        }
        lines[kept++] = line;
    }
    lines.resize(kept);
    return found;
}

void AppendApplicationEntry(RegistryFileLines& lines, const std::vector<std::string>& entry) {
    lines.insert(lines.end(), entry.begin(), entry.end());
}

std::optional<std::string> MergeRegistryFile(std::optional<std::string_view> existing, std::string_view name,
                                             const std::vector<std::string>* entry) {
    // An absent file reads as no lines at all; an empty one as one empty line. Both give the same
    // bytes once an entry (led by its empty line) is appended.
    RegistryFileLines lines;
    if (existing) lines = SplitRegistryFileLines(*existing);
    const bool found = RemoveApplicationEntries(lines, name);
    if (entry == nullptr) {
        if (!found) return std::nullopt;
        return SerializeRegistryFileLines(lines);
    }
    // The removal's rewrite, read back, gives the kept lines again (collapsed, which the final
    // rewrite does anyway) followed by the empty line after the last line feed: so one rewrite of
    // kept lines, that empty line and the entry gives the bytes of the two rewrites.
    if (found) lines.emplace_back();
    AppendApplicationEntry(lines, *entry);
    std::string merged = SerializeRegistryFileLines(lines);
    if (existing && merged == *existing) return std::nullopt;
    return merged;
}

}  // namespace tarnwick
