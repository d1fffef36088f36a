// Win32 only: the file version of a module.
#pragma once

#include <windows.h>

namespace brimsett {

// Reads the fixed file information of the file's version resource: the most significant half
// (major, minor) and the least significant half (build, revision).
HRESULT ReadFileVersion(const wchar_t* path, DWORD* mostSignificant, DWORD* leastSignificant);

}  // namespace brimsett
