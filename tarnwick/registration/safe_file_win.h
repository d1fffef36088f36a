// Whole-file reads and all-or-nothing file replacement, for the registry files and spare files.
// Win32 only.
//
// Both come in a narrow form (ANSI paths, as the registry files' paths are) and a wide form.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

enum class FileReadState {
    kRead,        // the whole file was read
    kAbsent,      // neither the file nor (possibly) its directory exists
    kUnreadable,  // the file exists but could not be opened or read whole: leave it alone
};

// Reads the whole file into `bytes`. The file is opened for reading while others may only read
// it, so a file that someone holds open for writing is reported unreadable, as is one held
// without sharing, one we may not read and one whose read fails.
FileReadState ReadWholeFile(const std::string& path, std::string& bytes);
FileReadState ReadWholeFile(const std::wstring& path, std::string& bytes);

// Gives the file at `path` exactly `bytes`, or leaves it as it was. The bytes go to a temporary
// file beside it, which is flushed and then put in place in one step; an existing file is
// replaced only when it is not read-only, and the new file takes over its attributes. When `mayExist`
// is false the file must still be absent at that moment. On any failure the temporary file is
// removed and the original stays untouched. Returns whether the new bytes are in place.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, bool mayExist);
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes, bool mayExist);

}  // namespace tarnwick
