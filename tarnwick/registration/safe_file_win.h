// Whole-file reads and all-or-nothing file replacement, for the registry files and spare files.
// Win32 only.
//
// Both come in a narrow form (ANSI paths, as the registry files' paths are) and a wide form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

enum class FileReadState {
    kRead,        // the whole file was read
    kAbsent,      // neither the file nor (possibly) its directory exists
    kUnreadable,  // the file exists but could not be opened or read whole: leave it alone
};

// Reads the whole file into `bytes` (whose storage is reused) and, when it was read, its
// attributes into `attributes`. The file is opened for reading while others may only read it, so
// a file that someone holds open for writing is reported unreadable, as is one held without
// sharing, one we may not read and one whose read fails.
FileReadState ReadWholeFile(const std::string& path, std::string& bytes, unsigned long& attributes);

// Gives the file at `path` exactly `bytes`, or leaves it as it was. The bytes go to a temporary
// file beside it, which is then renamed over it in one step (with write-through). An existing
// file, whose `existingAttributes` the caller passes, is replaced only when it is not read-only,
// and the new file takes over its hidden and system marks; without them the file must still be
// absent at that moment. On any failure the temporary file is removed and the original stays
// untouched. Returns whether the new bytes are in place.
bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes);
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes);

// The attributes of the file at `path`, or nothing when it is absent; kUnreadable when neither
// can be told.
FileReadState FileAttributes(const std::wstring& path, unsigned long& attributes);

}  // namespace tarnwick
