// Fuzz target: the merge of an application's entry into a protk.dat registry file.
//
// Input: the application's name up to a zero byte; a byte of switches (bit 0: the file exists,
// bits 1 to 6: /startup, /fail, /text, /unicode, /delay and /desc present); the executable, the
// start-up method, the text directory and the description, each up to a zero byte; then the
// file's bytes. Every byte is the character of the same code, as the 8-bit file stores them.
//
// With K the original's lines without the application's entries (every block from one of its
// name lines through the next end line, or through the last line when none follows), E the
// entry with its leading empty line, and collapse() shortening each run of empty lines to one,
// the properties checked are, for every original file and every storable entry (the lines of the
// original read by the read rules):
// - registering writes collapse(K + E), CR LF after every line, so the file holds exactly one
//   entry of the application, at its end, and every other line in its order;
// - registering twice gives the same bytes as once (the second run leaves the file alone);
// - unregistering after registering writes collapse(K + [empty line]). For an original without
//   an entry of the application K is its lines, so this is the original's lines, blank runs
//   collapsed, ending with one empty line (the one that led the entry). Where the original held
//   entries, they are gone, and so are the lines they swallowed, as unregistering alone does;
// - unregistering alone leaves a file without an entry untouched and otherwise writes
//   collapse(K).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "registration/application_entry.h"
#include "registration/registry_file.h"
#include "run_options.h"

namespace {

using Lines = std::vector<std::string>;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
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

bool IsNameLineOf(std::string_view line, std::string_view name) {
    const std::string_view trimmed = Trim(line);
    return trimmed.size() >= 5 && Lower(trimmed.substr(0, 4)) == "name" && Trim(trimmed.substr(4)) == Trim(name);
}

Lines WithoutEntries(const Lines& lines, std::string_view name, int* entries) {
    Lines kept;
    *entries = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsNameLineOf(lines[i], name)) {
            kept.push_back(lines[i]);
            continue;
        }
        ++*entries;
        while (i + 1 < lines.size() && Lower(Trim(lines[i + 1])) != "end") ++i;
        ++i;  // the end line, or past the last line
    }
    return kept;
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

std::string Bytes(const Lines& lines) {
    std::string bytes;
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

    // Only a name the validation lets through is registered: not blank, and storable.
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

    const Lines original = existing ? Split(*existing) : Lines{};
    int entries = 0;
    const Lines kept = WithoutEntries(original, name, &entries);

    // Registering.
    const std::optional<std::string> registered = tarnwick::MergeRegistryFile(existing, name, &entry);
    const std::string once = registered ? *registered : std::string(existing.value_or(""));
    if (!registered) FUZZ_CHECK(existing.has_value());
    FUZZ_CHECK(once == Bytes(Collapse(Concat(kept, entry))));
    int entriesAfter = 0;
    (void)WithoutEntries(Split(once), name, &entriesAfter);
    FUZZ_CHECK(entriesAfter == 1);

    // Registering again changes nothing.
    FUZZ_CHECK(!tarnwick::MergeRegistryFile(std::string_view(once), name, &entry).has_value());

    // Unregistering after registering.
    const std::optional<std::string> unregistered = tarnwick::MergeRegistryFile(std::string_view(once), name, nullptr);
    FUZZ_CHECK(unregistered.has_value());
    FUZZ_CHECK(*unregistered == Bytes(Collapse(Concat(kept, Lines{""}))));
    if (entries == 0) FUZZ_CHECK(*unregistered == Bytes(Collapse(Concat(original, Lines{""}))));

    // Unregistering alone.
    const std::optional<std::string> removed = tarnwick::MergeRegistryFile(existing, name, nullptr);
    FUZZ_CHECK(removed.has_value() == (entries > 0));
    if (removed) FUZZ_CHECK(*removed == Bytes(Collapse(kept)));
    return 0;
}
