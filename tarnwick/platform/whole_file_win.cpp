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
    read.reachedEnd = ReadOpenFile(file.get(), static_cast<std::size_t>(size.QuadPart), bytes) == OpenFileRead::kWhole;
    return read;
}

bool IsConfirmedAbsence(const std::wstring& path, DWORD error) {
    return IsAbsence(error) && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && IsAbsence(GetLastError());
}

OpenFileRead ReadOpenFile(void* file, std::size_t expected, std::string& bytes) {
    // The size said is only where the reading starts: the end of the file is where a read gives
    // nothing more. One byte beyond the size said is asked for, so that a file of that size ends
    // with the read that finds no more.
    constexpr std::size_t kLimit = static_cast<std::size_t>(kMaxWholeFileSize);
    constexpr std::size_t kChunk = std::size_t{1} << 24;
    bytes.resize(std::min(expected, kLimit) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > kLimit) {
                bytes.resize(kLimit);
                return OpenFileRead::kTooLarge;
            }
            bytes.resize(std::min(filled + std::max(filled, kChunk), kLimit + 1));
        }
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - filled, kChunk));
        if (!ReadFile(file, bytes.data() + filled, want, &got, nullptr)) {
            bytes.resize(filled);
            return OpenFileRead::kFailed;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return OpenFileRead::kWhole;
}

}  // namespace tarnwick
