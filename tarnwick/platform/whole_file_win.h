// Win32 only: reading a file whole. Narrow paths are in the ANSI code page, as the registry
// files' paths are; wide paths are the command line's.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick {

enum class FileReadState {
    kRead,        // the file was opened and read (see WholeFileRead::reachedEnd)
    kAbsent,      // neither the file nor (possibly) its directory exists
    kUnreadable,  // the file exists but could not be opened, sized or read: leave it alone
};

// Who else may use the file while it is read.
enum class ReadSharing {
    kReadersOnly,  // others may only read: a file someone holds open for writing, or without
                   // sharing, does not open
    kEveryone,     // others may read, write and delete: the reading never locks anyone out
};

struct WholeFileRead {
    FileReadState state = FileReadState::kUnreadable;
    // kRead: whether the reading got to the end. False when a read error stopped it part-way;
    // the bytes then hold what was read before the error.
    bool reachedEnd = false;
    unsigned long attributes = 0;  // kRead: the file's attributes
};

// The largest file that is read, in bytes: 1 GiB less one byte. A larger one is kUnreadable.
inline constexpr long long kMaxWholeFileSize = 0x3FFFFFFF;

// Reads the file at `path` into `bytes`, whose storage is reused. Only a file that is really not
// there is kAbsent; anything else in the way (sharing, access, a directory of that name, a size
// beyond kMaxWholeFileSize) makes it kUnreadable. A file that turns out shorter than its size
// said is read as far as it goes.
WholeFileRead ReadWholeFile(const std::string& path, ReadSharing sharing, std::string& bytes);
WholeFileRead ReadWholeFile(const std::wstring& path, ReadSharing sharing, std::string& bytes);

// Reads `size` bytes from the open file `file` (a HANDLE) into `bytes`, in chunks the system takes
// at once. A file that turns out shorter is read as far as it goes. False when a read fails
// part-way; `bytes` then holds what was read before.
bool ReadOpenFile(void* file, std::size_t size, std::string& bytes);

}  // namespace tarnwick
