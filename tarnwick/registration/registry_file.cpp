#include "registration/registry_file.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#endif

#include "ascii.h"

namespace tarnwick {

namespace {

// A UTF-8 byte-order mark: not part of the first line, and kept at the start of a rewritten file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool EqualsFolded(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAscii(text[i]) != lowerWord[i]) return false;
    }
    return true;
}

// The blanks of line recognition: a carriage return counts as one too, so that a line that kept a
// carriage return (a file that went through a text-mode writer twice) is still recognised.
bool IsLineBlank(char c) {
    return IsBlank(c) || c == '\r';
}

// `text` without the characters at either end for which `isBlank` holds.
template <typename IsBlankCharacter>
std::string_view TrimWhere(std::string_view text, IsBlankCharacter isBlank) {
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string_view TrimLineBlanks(std::string_view text) {
    return TrimWhere(text, IsLineBlank);
}

bool IsEndLine(std::string_view line) {
    return EqualsFolded(TrimLineBlanks(line), "end");
}

// A quick test that most lines fail: a name line's first character after blanks is an n.
bool MayBeNameLine(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsLineBlank(line[i])) ++i;
    return i < line.size() && (line[i] == 'n' || line[i] == 'N');
}

// A name line of any application: the keyword in any letter case, whatever follows it.
bool IsNameLine(std::string_view trimmedLine) {
    return trimmedLine.size() >= 4 && EqualsFolded(trimmedLine.substr(0, 4), "name");
}

bool IsNameLineOf(std::string_view trimmedLine, std::string_view trimmedName) {
    return !trimmedName.empty() && IsNameLine(trimmedLine) && TrimLineBlanks(trimmedLine.substr(4)) == trimmedName;
}

// The first line feed in [from, end), or end.
const char* FindLineFeed(const char* from, const char* end) {
    if (from == end) return end;
    const void* feed = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
    return feed != nullptr ? static_cast<const char*>(feed) : end;
}

// Calls `visit` with every line of `bytes`, by the read rules.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit&& visit) {
    const char* const end = bytes.data() + bytes.size();
    const char* start = bytes.data();
    for (;;) {
        const char* feed = FindLineFeed(start, end);
        if (feed == end) {
            visit(std::string_view(start, static_cast<std::size_t>(end - start)));
            return;
        }
        const char* lineEnd = (feed > start && feed[-1] == '\r') ? feed - 1 : feed;
        visit(std::string_view(start, static_cast<std::size_t>(lineEnd - start)));
        start = feed + 1;
    }
}

// Writes lines by the write rules: CR LF after each, a run of empty lines as one. Lines that
// follow one another in `source` with CR LF between them are copied as one piece, separators
// included: the bytes are the same, and a large file costs few copies.
class LineWriter {
public:
    // Writes into `bytes`, which is emptied first; its storage is reused.
    LineWriter(std::string& bytes, std::size_t expectedSize, std::string_view source)
        : bytes_(bytes),
          sourceBegin_(reinterpret_cast<std::uintptr_t>(source.data())),
          sourceEnd_(sourceBegin_ + source.size()) {
        bytes_.clear();
        bytes_.reserve(expectedSize);
    }

    void Put(std::string_view line) {
        if (line.empty() && lastWasEmpty_) return;
        lastWasEmpty_ = line.empty();
        const auto at = reinterpret_cast<std::uintptr_t>(line.data());
        const bool inSource = sourceEnd_ != sourceBegin_ && at >= sourceBegin_ && at + line.size() <= sourceEnd_;
        if (inSource && runBegin_ != nullptr && at == reinterpret_cast<std::uintptr_t>(runEnd_) + 2 &&
            runEnd_[0] == '\r' && runEnd_[1] == '\n') {
            runEnd_ = line.data() + line.size();
            return;
        }
        FlushRun();
        if (inSource) {
            runBegin_ = line.data();
            runEnd_ = line.data() + line.size();
            return;
        }
        bytes_.append(line);
        bytes_.append("\r\n", 2);
    }

    void Finish() { FlushRun(); }

private:
    void FlushRun() {
        if (runBegin_ == nullptr) return;
        bytes_.append(runBegin_, static_cast<std::size_t>(runEnd_ - runBegin_));
        bytes_.append("\r\n", 2);
        runBegin_ = runEnd_ = nullptr;
    }

    std::string& bytes_;
    std::uintptr_t sourceBegin_;
    std::uintptr_t sourceEnd_;
    const char* runBegin_ = nullptr;  // a pending run of source bytes, written with a final CR LF
    const char* runEnd_ = nullptr;
    bool lastWasEmpty_ = false;
};

}  // namespace

std::string SerializeRegistryFileLines(const RegistryFileLines& lines, std::string_view source) {
    std::size_t size = 0;
    for (std::string_view line : lines) size += line.size() + 2;
    std::string bytes;
    LineWriter writer(bytes, size, source);
    for (std::string_view line : lines) writer.Put(line);
    writer.Finish();
    return bytes;
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimWhere(text, IsBlank<char>);
}

void AppendApplicationEntry(RegistryFileLines& lines, const std::vector<std::string>& entry) {
    lines.insert(lines.end(), entry.begin(), entry.end());
}

bool MergeRegistryFile(std::optional<std::string_view> existing, std::string_view name,
                       const std::vector<std::string>* entry, std::string& merged) {
    // One pass over the file's lines, without a line list: the kept lines go straight to the
    // writer. An absent file has no lines at all; an empty one has one empty line. Both give the
    // same bytes once an entry (led by its empty line) is appended.
    std::string_view source = existing.value_or(std::string_view());
    bool marked = source.starts_with(kByteOrderMark);
    if (marked) source.remove_prefix(kByteOrderMark.size());
    std::size_t entrySize = 0;
    if (entry != nullptr) {
        for (const std::string& line : *entry) entrySize += line.size() + 2;
    }
    LineWriter writer(merged, existing.value_or(std::string_view()).size() + entrySize + 2, source);
    if (marked) merged.append(kByteOrderMark);  // stays at the start, whatever line comes first
    const std::string_view trimmedName = TrimLineBlanks(name);
    bool skipping = false;
    bool found = false;
    bool wroteLine = false;
    if (existing) {
        ForEachLine(source, [&](std::string_view line) {
            if (skipping) {
                if (IsEndLine(line)) {
                    skipping = false;
                    return;
                }
                // An entry that lost its end line ends before the next entry begins, which is
                // then looked at as any other line: it may be another entry of the application.
                if (!MayBeNameLine(line) || !IsNameLine(TrimLineBlanks(line))) return;
                skipping = false;
            }
            if (!wroteLine && !marked && line.starts_with(kByteOrderMark)) {
                // Only a removal brings these bytes to the start (the file's own first line does
                // not begin with them): in the rewritten file they are its mark, so they are
                // taken as such now, and the rest of the line is looked at as a first line is.
                marked = true;
                merged.append(kByteOrderMark);
                line.remove_prefix(kByteOrderMark.size());
            }
            if (MayBeNameLine(line) && IsNameLineOf(TrimLineBlanks(line), trimmedName)) {
                skipping = found = true;
                return;
            }
            wroteLine = true;
            writer.Put(line);
        });
    }
    if (entry == nullptr && !found) return false;
    if (entry != nullptr) {
        // The removal's rewrite, read back, gives the kept lines again (collapsed, which the
        // final rewrite does anyway) followed by the empty line after the last line feed: so one
        // rewrite of kept lines, that empty line and the entry gives the bytes of the two.
        if (found) writer.Put(std::string_view());
        for (const std::string& line : *entry) writer.Put(line);
    }
    writer.Finish();
    return entry == nullptr || !existing || merged != *existing;
}

}  // namespace tarnwick
