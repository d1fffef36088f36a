// Win32 only: whole-file reads.
#include "platform/whole_file_win.h"

#include <windows.h>

#include <algorithm>

#include "win/scoped_handle.h"

namespace tarnwick {

WholeFileRead ReadWholeFile(const std::wstring& path, std::string& bytes) {
    WholeFileRead read;
    bytes.clear();
    const win::FileHandle file = win::OpenSharingAll(path.c_str(), GENERIC_READ);
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (IsConfirmedAbsence(path, error)) {
            read.failure = FileFailure::kNotFound;
        } else if (error == ERROR_SHARING_VIOLATION) {
            read.failure = FileFailure::kHeldOpen;
        }
        return read;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxWholeFileSize) return read;
    read.failure = FileFailure::kNone;
    read.reachedEnd = ReadOpenFile(file.get(), static_cast<std::size_t>(size.QuadPart), bytes);
    return read;
}

bool IsConfirmedAbsence(const std::wstring& path, DWORD error) {
    return IsAbsence(error) && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && IsAbsence(GetLastError());
}

bool ReadOpenFile(void* file, std::size_t size, std::string& bytes) {
    // Read what the size promises; should the file turn out shorter, what was there is what counts.
    bytes.resize(size);
    std::size_t filled = 0;
    bool whole = true;
    while (filled < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 24));
        if (!ReadFile(file, bytes.data() + filled, want, &got, nullptr)) {
            whole = false;
            break;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return whole;
}

}  // namespace tarnwick
