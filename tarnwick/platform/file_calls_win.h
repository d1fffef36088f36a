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
inline BOOL SetAttributes(const char* path, DWORD attributes) {
    return SetFileAttributesA(path, attributes);
}
inline BOOL SetAttributes(const wchar_t* path, DWORD attributes) {
    return SetFileAttributesW(path, attributes);
}
// Renaming within one directory puts the new file in place in one step. ReplaceFile is not used:
// where it fails it may leave a file of its own behind in the directory.
inline BOOL Move(const char* from, const char* to, DWORD flags) {
    return MoveFileExA(from, to, flags | MOVEFILE_WRITE_THROUGH);
}
inline BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags) {
    return MoveFileExW(from, to, flags | MOVEFILE_WRITE_THROUGH);
}
inline BOOL Delete(const char* path) {
    return DeleteFileA(path);
}
inline BOOL Delete(const wchar_t* path) {
    return DeleteFileW(path);
}

// Whether a failed open or attribute query says the file (or its directory) is not there.
inline bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tarnwick::file_calls
