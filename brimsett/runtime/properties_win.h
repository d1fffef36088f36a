// Win32 only: the installer properties of the bound action.
#pragma once

#include <windows.h>

namespace brimsett {

// Fills `slot` with the property's value, allocating or growing the slot's heap block as
// needed. An undefined property reads as empty text. The slot's owner releases it with
// ReleaseString (or holds it in a PropertyString).
HRESULT ReadProperty(const wchar_t* name, wchar_t** slot);

// Sets an installer property; an empty value is allowed, an empty name is not.
HRESULT WriteProperty(const wchar_t* name, const wchar_t* value);

// Whether the property has a value of at least one character. Touches no heap.
bool IsPropertyNonEmpty(const char* name);

}  // namespace brimsett
