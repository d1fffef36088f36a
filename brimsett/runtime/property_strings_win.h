// Win32 only: heap-held UTF-16 property strings.
#pragma once

#include <windows.h>

#include <cstddef>

namespace brimsett {

// Allocates (zero-filled) or grows the slot's process-heap block to `characters` UTF-16 units.
HRESULT AllocateString(wchar_t** slot, std::size_t characters);
// The block's capacity in characters (an absent string has capacity 0).
HRESULT StringCapacity(const wchar_t* string, std::size_t* capacity);
// Frees the block.
HRESULT ReleaseString(wchar_t* string);

// Owns one property slot and releases it when it goes out of scope.
class PropertyString {
public:
    PropertyString() = default;
    ~PropertyString() {
        if (value_) ReleaseString(value_);
    }
    PropertyString(const PropertyString&) = delete;
    PropertyString& operator=(const PropertyString&) = delete;
    wchar_t** slot() { return &value_; }
    const wchar_t* get() const { return value_ ? value_ : L""; }

private:
    wchar_t* value_ = nullptr;
};

}  // namespace brimsett
