// Win32 only: the file-system calls of the platform layer for narrow (ANSI code page) and wide
// paths under one name each, so that one template serves both kinds of path.
#pragma once

#include <windows.h>

namespace tarnwick::file_calls {

inline HANDLE Open(const char* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
inline HANDLE Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
inline DWORD AttributesOf(const char* path) {
    return GetFileAttributesA(path);
}
inline DWORD AttributesOf(const wchar_t* path) {
    return GetFileAttributesW(path);
}

// Whether a failed open or attribute query says the file (or its directory) is not there.
inline bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tarnwick::file_calls
