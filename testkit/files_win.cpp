// Win32 test kit: folders and files.
#include "testkit/files_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "win/scoped_handle.h"

namespace testkit {

namespace {

// Calls `visit` with the find data of every entry of the folder but "." and "..".
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit&& visit) {
    WIN32_FIND_DATAW data;
    const win::FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!search.valid()) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") visit(data);
    } while (FindNextFileW(search.get(), &data));
}

}  // namespace

void RemoveTree(const std::wstring& folder) {
    std::vector<WIN32_FIND_DATAW> entries;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) { entries.push_back(data); });
    for (const WIN32_FIND_DATAW& data : entries) {
        const std::wstring path = folder + L"\\" + data.cFileName;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileW(path.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

TempFolder::TempFolder(const std::wstring& stem) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = base;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    static unsigned counter = 0;
    for (;;) {
        wchar_t name[64];
        (void)std::swprintf(name, 64, L"%lu_%u", GetCurrentProcessId(), ++counter);
        std::wstring candidate = folder;
        candidate.append(L"\\").append(stem).append(name);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) RemoveTree(path_);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const win::FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    const win::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    char chunk[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr)) && got > 0) bytes.append(chunk, got);
    return ok;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.assign((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
    } else {
        text = Widen(bytes);
    }
    return true;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> ListDirectory(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) { names.emplace_back(data.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

}  // namespace testkit
