// Win32 only: reading a file whole.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "file_failure.h"

namespace tarnwick {

struct WholeFileRead {
    FileFailure failure = FileFailure::kUnreadable;  // kNone, kNotFound, kHeldOpen or kUnreadable
    // After kNone: whether the reading got to the end. False when a read error stopped it part-way;
    // the bytes then hold what was read before the error.
    bool reachedEnd = false;
};

// The largest file that is read, in bytes: 1 GiB less one byte.
inline constexpr long long kMaxWholeFileSize = 0x3FFFFFFF;

// Reads the file at `path` into `bytes`, whose storage is reused, sharing it with every other
// reader, writer and deleter. Only a file that is really not there is kNotFound and only one held
// without sharing kHeldOpen; anything else in the way (access, a folder of that name, a size
// beyond kMaxWholeFileSize) makes it kUnreadable. The size comes from the open file, and the read
// goes on to the end of the file whatever the size said.
WholeFileRead ReadWholeFile(const std::wstring& path, std::string& bytes);

// How a read of an open file to its end went.
enum class OpenFileRead {
    kWhole,     // every byte up to the end of the file
    kFailed,    // a read failed part-way
    kTooLarge,  // the file holds more than kMaxWholeFileSize bytes
};

// Reads the open file `file` (a HANDLE) from its current position to its end into `bytes`, in
// chunks the system takes at once. `expected` (the size the file reported) only sizes the first
// reservation: a file that is longer than it said, or grows while it is read, is read on to its
// end, and one that is shorter as far as it goes. After kFailed or kTooLarge, `bytes` holds what
// was read before.
OpenFileRead ReadOpenFile(void* file, std::size_t expected, std::string& bytes);

// Whether a failed open or attribute query says the file (or its folder) is not there.
inline bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// After an open of `path` that failed with `error`: whether the file is really not there (the
// failure says so, and its attributes cannot be read for the same reason). Anything else in the
// way (sharing, access, a folder of that name) means the file must be left alone.
bool IsConfirmedAbsence(const std::wstring& path, DWORD error);

}  // namespace tarnwick
