#include "registration/application_entry.h"

#include <type_traits>

#include "registration/registry_file.h"

namespace tarnwick {

std::optional<std::string> EncodeRegistryFileText(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        // Unsigned, so that a negative code (wchar_t is signed on some hosts) counts as too large.
        if (static_cast<std::make_unsigned_t<wchar_t>>(c) > 0xFFu || c == L'\n') return std::nullopt;
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    }
    return bytes;
}

std::optional<std::vector<std::string>> BuildApplicationEntry(const RunOptions& options, std::wstring_view executable,
                                                              EntryPlacement placement) {
    std::vector<std::string> lines;
    bool storable = true;
    auto keywordLine = [&](const char* keyword, std::wstring_view value) {
        std::optional<std::string> encoded = EncodeRegistryFileText(value);
        if (!encoded) {
            storable = false;
            return;
        }
        lines.push_back(std::string(keyword) + ' ' + *encoded);
    };

    if (placement == EntryPlacement::kLoadpointFile) lines.emplace_back();
    keywordLine("name", ValueOf(options.name));
    if (options.startup) keywordLine("startup", *options.startup);
    if (options.fail) lines.emplace_back("fail_tol false");
    keywordLine("exec_file", executable);
    if (options.textDir) keywordLine("text_dir", *options.textDir);
    lines.emplace_back(options.unicode ? "unicode_encoding true" : "unicode_encoding false");
    lines.emplace_back(options.delay ? "delay_start true" : "delay_start false");
    lines.emplace_back("allow_stop true");
    if (options.description) keywordLine("description", *options.description);
    lines.emplace_back("end");
    if (!storable) return std::nullopt;
    return lines;
}

std::optional<std::string> BuildSpareRegistryFile(const RunOptions& options, std::wstring_view executable) {
    std::optional<std::vector<std::string>> entry =
        BuildApplicationEntry(options, executable, EntryPlacement::kSpareFile);
    if (!entry) return std::nullopt;
    RegistryFileLines lines;
    AppendApplicationEntry(lines, *entry);
    return SerializeRegistryFileLines(lines);
}

}  // namespace tarnwick
