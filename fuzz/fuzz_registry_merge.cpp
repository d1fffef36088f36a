// Fuzz target: the merge of an application's entry into a protk.dat registry file.
//
// Input: the application's name up to a zero byte; a byte of switches (bit 0: the file exists,
// bits 1 to 6: /startup, /fail, /text, /unicode, /delay and /desc present); the executable, the
// start-up method, the text directory and the description, each up to a zero byte; then the
// file's bytes. Every byte is the character of the same code, as the 8-bit file stores them.
//
// The original's lines are read by the read rules, after a UTF-8 byte-order mark at its start, if
// any, is set aside. In recognising lines a carriage return counts as a blank, like a space and a
// tab. A name line is one whose text, trimmed of blanks, begins with "name" in any letter case;
// it is the application's when the rest, trimmed, equals the name trimmed. An entry runs from its
// name line through the next end line, or up to (not including) the next name line when that
// comes first, or through the last line. With K the original's lines without the application's
// entries, E the entry with its leading empty line, collapse() shortening each run of empty lines
// to one, and M the mark when the original had one, the properties checked are, for every
// original file and every storable entry:
// - registering writes M + collapse(K + E), CR LF after every line, so the file holds exactly one
//   entry of the application, at its end, and every other line in its order (when a removal
//   leaves a first line that begins with the mark's bytes, those bytes are the mark, as a second
//   reading of the file would take them);
// - registering twice gives the same bytes as once (the second run leaves the file alone);
// - unregistering after registering writes M + collapse(K + [empty line]). For an original
//   without an entry of the application K is its lines, so this is the original's lines, blank
//   runs collapsed, ending with one empty line (the one that led the entry);
// - unregistering alone leaves a file without an entry untouched and otherwise writes
//   M + collapse(K);
// - no line of another application's entry is ever removed: every non-empty line of an entry
//   whose name line is not the application's (from that name line through its end line, or up to
//   the next name line, or through the last line) is in the file after registering and after
//   unregistering, in the original order, byte for byte. Only empty lines may go, where a run of
//   them is shortened to one, as every rewrite does.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "registration/application_entry.h"
#include "registration/registry_file.h"
#include "run_options.h"
#include "tests/merged_registry_file.h"

namespace {

using Lines = std::vector<std::string>;

constexpr std::string_view kMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Trimmed as lines are recognised: a carriage return is a blank too.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Takes a mark off the start of `bytes`; says whether there was one.
bool TakeMark(std::string_view& bytes) {
    if (!bytes.starts_with(kMark)) return false;
    bytes.remove_prefix(kMark.size());
    return true;
}

Lines Split(std::string_view bytes) {
    Lines lines(1);
    for (char c : bytes) {
        if (c != '\n') {
            lines.back().push_back(c);
            continue;
        }
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        lines.emplace_back();
    }
    return lines;
}

// A rewritten file's lines, its mark set aside.
Lines LinesOf(std::string_view bytes) {
    (void)TakeMark(bytes);
    return Split(bytes);
}

bool IsNameLine(std::string_view line) {
    return Lower(Trim(line).substr(0, 4)) == "name";
}

bool IsNameLineOf(std::string_view line, std::string_view name) {
    const std::string_view trimmed = Trim(line);
    return trimmed.size() >= 5 && IsNameLine(trimmed) && Trim(trimmed.substr(4)) == Trim(name);
}

bool IsEndLine(std::string_view line) {
    return Lower(Trim(line)) == "end";
}

// The lines kept when the entries are removed. When a removal leaves a first line that begins with
// the mark's bytes and `marked` is not set, the bytes become the mark (`marked` is set) and the
// rest of the line is looked at as a first line.
Lines WithoutEntries(const Lines& lines, std::string_view name, int* entries, bool* marked) {
    Lines kept;
    *entries = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (kept.empty() && *entries > 0 && !*marked && line.starts_with(kMark)) {
            *marked = true;
            line.erase(0, kMark.size());
        }
        if (!IsNameLineOf(line, name)) {
            kept.push_back(line);
            continue;
        }
        ++*entries;
        while (i + 1 < lines.size() && !IsEndLine(lines[i + 1]) && !IsNameLine(lines[i + 1])) ++i;
        if (i + 1 < lines.size() && IsEndLine(lines[i + 1])) ++i;  // the end line goes with the entry
    }
    return kept;
}

// The non-empty lines of other applications' entries, in order.
Lines ForeignLines(const Lines& lines, std::string_view name) {
    Lines foreign;
    bool inForeignEntry = false;
    for (const std::string& line : lines) {
        if (IsNameLine(line)) inForeignEntry = !IsNameLineOf(line, name);
        if (inForeignEntry && !line.empty()) foreign.push_back(line);
        if (IsEndLine(line)) inForeignEntry = false;
    }
    return foreign;
}

// Whether `part` is a subsequence of `whole`.
bool KeepsInOrder(const Lines& whole, const Lines& part) {
    std::size_t next = 0;
    for (const std::string& line : whole) {
        if (next < part.size() && line == part[next]) ++next;
    }
    return next == part.size();
}

Lines Collapse(const Lines& lines) {
    Lines collapsed;
    for (const std::string& line : lines) {
        if (line.empty() && !collapsed.empty() && collapsed.back().empty()) continue;
        collapsed.push_back(line);
    }
    return collapsed;
}

Lines Concat(Lines lines, const Lines& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

std::string Bytes(const Lines& lines, bool marked) {
    std::string bytes = marked ? std::string(kMark) : std::string();
    for (const std::string& line : lines) bytes += line + "\r\n";
    return bytes;
}

// The longest value the command-line parser lets through.
constexpr std::size_t kMaxValueLength = 259;

void SetValue(std::optional<std::wstring>& option, bool present, std::string_view value) {
    std::wstring text;
    for (char c : value.substr(0, std::min(value.size(), kMaxValueLength)))
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    if (present) {
        option = text;
    } else {
        option.reset();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    tarnwick::RunOptions options;
    std::string name(input.BytesUntil(0).substr(0, kMaxValueLength));
    const std::uint8_t switches = input.Byte();
    const std::string executable(input.BytesUntil(0).substr(0, kMaxValueLength));
    SetValue(options.name, true, name);
    SetValue(options.startup, (switches & 2) != 0, input.BytesUntil(0));
    options.fail = (switches & 4) != 0;
    SetValue(options.textDir, (switches & 8) != 0, input.BytesUntil(0));
    options.unicode = (switches & 16) != 0;
    options.delay = (switches & 32) != 0;
    SetValue(options.description, (switches & 64) != 0, input.BytesUntil(0));
    const std::string_view file = input.Rest();
    const std::optional<std::string_view> existing =
        (switches & 1) != 0 ? std::optional<std::string_view>(file) : std::nullopt;

    // Only a name the validation lets through is registered: not blank, and storable. A name of
    // carriage returns and blanks alone passes the validation but can never match its own entry.
    if (Trim(name).empty() || name.find('\n') != std::string::npos) return 0;

    std::wstring wideExecutable;
    for (char c : executable) wideExecutable.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    const std::optional<Lines> built =
        tarnwick::BuildApplicationEntry(options, wideExecutable, tarnwick::EntryPlacement::kLoadpointFile);
    bool storable = executable.find('\n') == std::string::npos;
    for (const std::optional<std::wstring>* value : {&options.startup, &options.textDir, &options.description}) {
        if (*value && (*value)->find(L'\n') != std::wstring::npos) storable = false;
    }
    FUZZ_CHECK(built.has_value() == storable);
    if (!built) return 0;
    const Lines& entry = *built;
    FUZZ_CHECK(!entry.empty() && entry.front().empty() && IsNameLineOf(entry[1], name) && entry.back() == "end");

    std::string_view unmarked = existing.value_or(std::string_view());
    const bool marked = TakeMark(unmarked);
    const Lines original = existing ? Split(unmarked) : Lines{};
    int entries = 0;
    bool markedAfter = marked;
    const Lines kept = WithoutEntries(original, name, &entries, &markedAfter);
    const Lines foreign = ForeignLines(original, name);

    // Registering.
    const std::optional<std::string> registered = tarnwick::MergeRegistryFile(existing, name, &entry);
    const std::string once = registered ? *registered : std::string(existing.value_or(""));
    if (!registered) FUZZ_CHECK(existing.has_value());
    FUZZ_CHECK(once == Bytes(Collapse(Concat(kept, entry)), markedAfter));
    std::string_view onceLines = once;
    FUZZ_CHECK(TakeMark(onceLines) == markedAfter);
    int entriesAfter = 0;
    bool markedAgain = true;
    (void)WithoutEntries(Split(onceLines), name, &entriesAfter, &markedAgain);
    FUZZ_CHECK(entriesAfter == 1);
    FUZZ_CHECK(KeepsInOrder(LinesOf(once), foreign));

    // Registering again changes nothing.
    FUZZ_CHECK(!tarnwick::MergeRegistryFile(std::string_view(once), name, &entry).has_value());

    // Unregistering after registering.
    const std::optional<std::string> unregistered = tarnwick::MergeRegistryFile(std::string_view(once), name, nullptr);
    FUZZ_CHECK(unregistered.has_value());
    FUZZ_CHECK(*unregistered == Bytes(Collapse(Concat(kept, Lines{""})), markedAfter));
    if (entries == 0) FUZZ_CHECK(*unregistered == Bytes(Collapse(Concat(original, Lines{""})), marked));
    FUZZ_CHECK(KeepsInOrder(LinesOf(*unregistered), foreign));

    // Unregistering alone.
    const std::optional<std::string> removed = tarnwick::MergeRegistryFile(existing, name, nullptr);
    FUZZ_CHECK(removed.has_value() == (entries > 0));
    if (removed) {
        FUZZ_CHECK(*removed == Bytes(Collapse(kept), markedAfter));
        FUZZ_CHECK(KeepsInOrder(LinesOf(*removed), foreign));
    }
    return 0;
}
