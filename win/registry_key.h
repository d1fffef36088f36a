// Win32 only: one registry key type for both deliverables and their tests. Header-only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>

#include "win/scoped_handle.h"

namespace win {

// What ReadString found: the status (ERROR_MORE_DATA when the value is longer than the buffer),
// the value's type, and its length in characters: those placed in the buffer after a read, or
// those the value needs (rounded up) when the buffer was empty or too short.
struct StringRead {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::size_t length = 0;
};

// Move-only owner of an open registry key. It remembers the view it was opened in
// (KEY_WOW64_32KEY, KEY_WOW64_64KEY or none), so that its subkeys are opened in the same one.
class RegistryKey {
public:
    // Each returns the Win32 status; when it fails the object is left as it was.
    [[nodiscard]] LONG Open(HKEY parent, const char* path, REGSAM access) {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(parent, path, 0, access, &opened);
        return Take(status, opened, access);
    }
    [[nodiscard]] LONG Open(HKEY parent, const wchar_t* path, REGSAM access) {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExW(parent, path, 0, access, &opened);
        return Take(status, opened, access);
    }
    [[nodiscard]] LONG Open(HKEY parent, const std::wstring& path, REGSAM access) {
        return Open(parent, path.c_str(), access);
    }
    // Opens the key, creating it and its missing parents; `disposition` says which it was.
    [[nodiscard]] LONG Create(HKEY parent, const std::wstring& path, REGSAM access, DWORD* disposition = nullptr) {
        HKEY made = nullptr;
        const LONG status = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, access, nullptr, &made, disposition);
        return Take(status, made, access);
    }

    bool valid() const { return key_.valid(); }
    HKEY get() const { return key_.get(); }
    REGSAM view() const { return view_; }

    // Reads the value `name` into `buffer`, at most its size, with no terminator added. An empty
    // buffer asks for the type and the length alone.
    [[nodiscard]] StringRead ReadString(const char* name, std::span<char> buffer) const { return Read(name, buffer); }
    [[nodiscard]] StringRead ReadString(const wchar_t* name, std::span<wchar_t> buffer) const {
        return Read(name, buffer);
    }
    // Sets a REG_SZ value: the UTF-16 text and one terminator.
    LONG WriteString(const wchar_t* name, const std::wstring& text) const {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (bytes > MAXDWORD) return ERROR_INVALID_PARAMETER;
        return RegSetValueExW(get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(bytes));
    }

private:
    LONG Take(LONG status, HKEY opened, REGSAM access) {
        if (status != ERROR_SUCCESS) return status;
        (void)key_.Reset(opened);
        view_ = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
        return status;
    }
    static LONG Query(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* bytes) {
        return RegQueryValueExA(key, name, nullptr, type, data, bytes);
    }
    static LONG Query(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) {
        return RegQueryValueExW(key, name, nullptr, type, data, bytes);
    }
    template <typename Char>
    StringRead Read(const Char* name, std::span<Char> buffer) const {
        StringRead read;
        const std::size_t capacity = std::min<std::size_t>(buffer.size_bytes(), MAXDWORD);
        DWORD bytes = static_cast<DWORD>(capacity);
        BYTE* data = buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data());
        read.status = Query(get(), name, &read.type, data, &bytes);
        if (read.status == ERROR_SUCCESS && data != nullptr) {
            read.length = std::min<std::size_t>(bytes, capacity) / sizeof(Char);
        } else {
            read.length = (std::size_t{bytes} + sizeof(Char) - 1) / sizeof(Char);
        }
        return read;
    }

    ScopedHandle<RegistryKeyTraits> key_;
    REGSAM view_ = 0;
};

}  // namespace win
