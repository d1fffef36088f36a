// Taking turns on a file between concurrent runs, and the names of the program's temporary
// files. Platform-free: the decisions only; the Win32 edge holds the machine-wide mutex and
// removes the files (file_turn_win.h).
//
// Every run that rewrites, creates or deletes a registry file or a spare file first takes the
// file's turn: a machine-wide mutex named after the file's full path, held from reading the file
// to putting the new one in place. So any set of concurrent runs leaves each file as some serial
// order of those runs would have.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The mutex name of the file whose full path, folded to upper case, is `foldedFullPath`:
// "Global\TarnwickFileTurn-" and 16 hex digits of a hash of the path's UTF-16 code units. Equal
// for every spelling that folds to the same full path, in every session of the machine.
std::wstring FileTurnName(std::wstring_view foldedFullPath);

// The name of the temporary file that carries a file's new bytes until it is renamed over the
// file: "~tw" and the low 24 bits of `value` in lower-case hex without leading zeros, so never
// longer than "protk.dat" or a spare file's name.
std::wstring TemporaryFileName(unsigned long value);

// Whether `name` is of exactly that pattern: "~tw" followed by one to six lower-case hex digits,
// nothing else. Only such files are ever removed as leftovers of earlier runs.
bool IsTemporaryFileName(std::wstring_view name);

}  // namespace tarnwick
