// Win32 only: conversions between wide and 8-bit text as the narrow file functions make them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// A wide text as 8-bit text in the ANSI code page, as the narrow file functions and the console's
// narrow stream take it. A character the code page lacks becomes its best fit or a question mark.
inline std::string AnsiText(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// A narrow path widened as the narrow file functions would widen it (the ANSI code page, or the
// OEM one when the file functions are set to it); nothing when it cannot be.
inline std::optional<std::wstring> WidenFilePath(const std::string& narrow) {
    if (narrow.empty()) return std::wstring();
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int size = MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(), size);
    return wide;
}

}  // namespace tarnwick
