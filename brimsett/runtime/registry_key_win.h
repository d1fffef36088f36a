// Win32 only: a registry key closed by its owner, and the REG_SZ write of the actions.
#pragma once

#include <windows.h>

#include <string>

namespace brimsett {

// A key opened by RegOpenKeyExW and closed when the object goes away. Move-only.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(RegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            Close();
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens `path` under `root` with `access` (which carries the registry view, if any) and
    // returns the Win32 status; the object holds the key only on success. The form with a
    // C string touches no heap.
    [[nodiscard]] LONG Open(HKEY root, const wchar_t* path, REGSAM access);
    [[nodiscard]] LONG Open(HKEY root, const std::wstring& path, REGSAM access) {
        return Open(root, path.c_str(), access);
    }
    bool IsOpen() const { return key_ != nullptr; }
    HKEY get() const { return key_; }
    void Close();

private:
    HKEY key_ = nullptr;
};

// Sets a REG_SZ value: the UTF-16 text and one null terminator, (characters + 1) * 2 bytes.
LONG SetStringValue(HKEY key, const wchar_t* name, const std::wstring& text);

}  // namespace brimsett
