// Win32 only: all-or-nothing replacement of a file's contents, for the registry files and the
// spare files. Narrow paths are in the ANSI code page; wide paths are the command line's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

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

}  // namespace tarnwick
