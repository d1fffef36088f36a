// Win32 only: the registry views of the loadpoint search, over the one registry key type.
#pragma once

#include <windows.h>

#include "win/registry_key.h"

namespace tarnwick {

using win::RegistryKey;

enum class RegistryView { k32Bit, k64Bit };

// The access every open of a search pass uses: KEY_READ in the pass's view
// (0x20219 for the 32-bit view, 0x20119 for the 64-bit view).
constexpr REGSAM ReadAccessIn(RegistryView view) {
    return KEY_READ | (view == RegistryView::k32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
}

}  // namespace tarnwick

static_assert(tarnwick::ReadAccessIn(tarnwick::RegistryView::k32Bit) == 0x20219);
static_assert(tarnwick::ReadAccessIn(tarnwick::RegistryView::k64Bit) == 0x20119);
