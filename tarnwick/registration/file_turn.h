// The names of a file's turn (a machine-wide mutex that every run holds from reading a file to
// putting its new bytes in place) and of the program's temporary files; file_turn_win.h holds the
// mutex. A turn is named by the folder's identity, which every spelling of the folder shares and
// no replacement of the file changes, and the file's long name.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The mutex name of the file whose long name, folded to upper case, is `foldedName`, in the
// folder whose file index is `folderIndex`: "Global\TarnwickFileTurn-", the index in 16 hex
// digits, "-" and 16 hex digits of a hash of the name's UTF-16 code units. The same in every
// session of the machine, and for 32-bit and 64-bit runs.
std::wstring FileTurnName(unsigned long long folderIndex, std::wstring_view foldedName);

// The mutex name of a file whose folder cannot be opened (so nothing can be written there):
// "Global\TarnwickFileTurn-" and 16 hex digits of a hash of its full path, folded to upper case.
std::wstring FileTurnName(std::wstring_view foldedFullPath);

// The name of the temporary file that carries a file's new bytes until it is renamed over the
// file: "~tw" and the low 24 bits of `value` in lower-case hex without leading zeros, so never
// longer than "protk.dat" or a spare file's name.
std::wstring TemporaryFileName(unsigned long value);

// The one temporary file name of the file whose long name, folded to upper case, is `foldedName`
// (TemporaryFileName of a hash of it): a run that is killed leaves its temporary file under the
// name that the next run for the same file tries first, so that run finds it without listing
// the folder.
std::wstring TemporaryFileNameFor(std::wstring_view foldedName);

// Whether `name` is of exactly that pattern: "~tw" followed by one to six lower-case hex digits,
// nothing else. Only such files are ever removed as leftovers of earlier runs.
bool IsTemporaryFileName(std::wstring_view name);

}  // namespace tarnwick
