// Win32 only: whole-file reads of held files and replacement through a held temporary file.
#include "platform/guarded_file_win.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_calls_win.h"

namespace tarnwick {

namespace {

using file_calls::IsAbsence;

bool IsExclusion(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

std::wstring FolderOf(const std::wstring& fullPath) {
    const std::size_t cut = fullPath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : fullPath.substr(0, cut + 1);
}

std::wstring FullPathOf(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size()) return std::wstring();
    full.resize(size);
    return full;
}

bool StampOf(const std::wstring& path, FileStamp& stamp) {
    stamp = FileStamp();
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &stamp.data)) {
        stamp.exists = true;
        return true;
    }
    return IsAbsence(GetLastError());
}

bool SameStamp(const FileStamp& a, const FileStamp& b) {
    if (a.exists != b.exists) return false;
    if (!a.exists) return true;
    auto same = [](const FILETIME& x, const FILETIME& y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    return a.data.dwFileAttributes == b.data.dwFileAttributes && a.data.nFileSizeLow == b.data.nFileSizeLow &&
           a.data.nFileSizeHigh == b.data.nFileSizeHigh && same(a.data.ftLastWriteTime, b.data.ftLastWriteTime) &&
           same(a.data.ftCreationTime, b.data.ftCreationTime);
}

HeldFile::~HeldFile() {
    Release();
}

void HeldFile::Release() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

FileReadState HeldFile::Read(const std::wstring& path, std::string& bytes) {
    Release();
    bytes.clear();
    failure_ = FileFailure::kUnreadable;
    // Others may go on reading (a CAD application that has the file open keeps it), but nobody may
    // write, rename or delete it until it is released.
    file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Only a file that is really not there counts as absent; anything else in the way
        // (sharing, access, a folder of that name) means the file must be left alone.
        if (IsAbsence(error) && StampOf(path, stamp_) && !stamp_.exists) return FileReadState::kAbsent;
        if (IsExclusion(error)) failure_ = FileFailure::kHeldOpen;
        return FileReadState::kUnreadable;
    }
    // By path: under Wine this is far cheaper than asking the open handle for its information.
    if (!StampOf(path, stamp_) || !stamp_.exists) return FileReadState::kUnreadable;
    const unsigned long long size =
        (static_cast<unsigned long long>(stamp_.data.nFileSizeHigh) << 32) | stamp_.data.nFileSizeLow;
    if (size > static_cast<unsigned long long>(kMaxWholeFileSize)) {
        failure_ = FileFailure::kTooLarge;
        return FileReadState::kUnreadable;
    }
    if (!ReadOpenFile(file_, static_cast<std::size_t>(size), bytes)) {
        bytes.clear();
        return FileReadState::kUnreadable;
    }
    return FileReadState::kRead;
}

ReplacementFile::~ReplacementFile() {
    Drop();
}

void ReplacementFile::Drop() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file_, FileDispositionInfo, &disposition, sizeof(disposition));
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

bool ReplacementFile::Write(const std::wstring& fullPath, std::string_view bytes, DWORD keptAttributes,
                            std::wstring (*temporaryName)(unsigned long)) {
    Drop();
    fullPath_ = fullPath;
    failure_ = FileFailure::kNotWritten;
    // The temporary name sits in the same folder and is no longer than the file's own name, so a
    // path that fits the system's limit still fits.
    const std::wstring folder = FolderOf(fullPath);
    const unsigned long seed = GetCurrentProcessId() * 2654435761ul + GetTickCount();
    for (unsigned long attempt = 0; attempt < 64 && file_ == INVALID_HANDLE_VALUE; ++attempt) {
        // Held without sharing until renamed: no other run takes it for a leftover.
        file_ = CreateFileW((folder + temporaryName(seed + attempt * 7919ul)).c_str(), GENERIC_WRITE | DELETE, 0,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ != INVALID_HANDLE_VALUE) break;
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) failure_ = FileFailure::kNoFolder;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;  // no right, no room
    }
    if (file_ == INVALID_HANDLE_VALUE) return false;
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file_, bytes.data(), chunk, &written, nullptr) || written == 0) {
            Drop();
            return false;
        }
        bytes.remove_prefix(written);
    }
    // The new file takes over the old one's hidden and system marks (a new file is marked for
    // archiving anyway).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((keptAttributes & kKept) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (keptAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
        if (!SetFileInformationByHandle(file_, FileBasicInfo, &basic, sizeof(basic))) {
            Drop();
            return false;
        }
    }
    return true;
}

bool ReplacementFile::PutInPlace(bool replacing) {
    targetAppeared_ = false;
    failure_ = FileFailure::kNotReplaced;
    if (file_ == INVALID_HANDLE_VALUE) return false;
    // Renamed through the held handle: the file is never unheld before it is in place.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + fullPath_.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replacing ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(fullPath_.size()) * static_cast<DWORD>(sizeof(wchar_t));
    std::memcpy(rename->FileName, fullPath_.c_str(), (fullPath_.size() + 1) * sizeof(wchar_t));
    if (!SetFileInformationByHandle(file_, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        const DWORD error = GetLastError();
        targetAppeared_ = !replacing && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
        Drop();
        return false;
    }
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    return true;
}

}  // namespace tarnwick
