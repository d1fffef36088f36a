// Win32 only: a wide text as 8-bit text in the ANSI code page, as the narrow file functions and
// the console's narrow stream take it. A character the code page lacks becomes its best fit or
// a question mark.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwick {

inline std::string AnsiText(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

}  // namespace tarnwick
