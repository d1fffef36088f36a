#include "cli/console.h"

namespace tarnwick {

std::string TextModeLine(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() + 2);
    for (const char c : line) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    bytes.append("\r\n");
    return bytes;
}

std::string LatinOneText(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t c : text) bytes.push_back(static_cast<unsigned long>(c) <= 0xFFu ? static_cast<char>(c) : '?');
    return bytes;
}

}  // namespace tarnwick
