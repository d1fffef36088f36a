// Win32 only: a registry key that closes itself, and the registry views.
#pragma once

#include <windows.h>

#include <utility>

namespace tarnwick {

enum class RegistryView { k32Bit, k64Bit };

// The access every open of a search pass uses: KEY_READ in the pass's view
// (0x20219 for the 32-bit view, 0x20119 for the 64-bit view).
constexpr REGSAM ReadAccessIn(RegistryView view) {
    return KEY_READ | (view == RegistryView::k32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
}

// Move-only owner of an open registry key; the key is closed when the owner goes away, so no
// key outlives the operation that opened it.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            Close();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens `path` (narrow, ANSI code page) under `parent`; returns the Win32 status. On failure
    // the owner holds no key.
    [[nodiscard]] LONG Open(HKEY parent, const char* path, REGSAM access) {
        Close();
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(parent, path, 0, access, &opened);
        if (status == ERROR_SUCCESS) key_ = opened;
        return status;
    }

    HKEY get() const { return key_; }

    void Close() {
        if (key_ != nullptr) RegCloseKey(std::exchange(key_, nullptr));
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace tarnwick

static_assert(tarnwick::ReadAccessIn(tarnwick::RegistryView::k32Bit) == 0x20219);
static_assert(tarnwick::ReadAccessIn(tarnwick::RegistryView::k64Bit) == 0x20119);
