// strutil: heap-held UTF-16 property strings and bounded formatting.
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

// Bounded formatting and copying: at most capacity - 1 characters and a terminator; a cut
// gives 0x8007007A, a capacity of 0 or above 0x7FFFFFFF gives E_INVALIDARG.
HRESULT FormatBounded(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...);
HRESULT FormatBounded(char* buffer, std::size_t capacity, const char* format, ...);
HRESULT CopyBounded(char* buffer, std::size_t capacity, const char* source);

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
