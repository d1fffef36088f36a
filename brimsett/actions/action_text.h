// Text logic of the installer actions, free of any platform call: key paths, the uninstall
// command, the executable path cut from a COM server command, and the 8-bit copies written
// into the installer log.
//
// Key paths and the uninstall command are built whole, with no length cap: a cut key path
// would name a different key, so a text too long for the registry is left for the registry to
// refuse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brimsett {

// "CLSID\<class identifier>\LocalServer32"; the identifier is inserted as given.
std::wstring LocalServerKeyPath(std::wstring_view classId);

// The per-user registration of the fixed component that RemoveExtraRegKey deletes.
std::wstring ComponentKeyPath(std::wstring_view userSid);

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<product name>".
std::wstring UninstallKeyPath(std::wstring_view productName);

// `"<install dir>Setup\Setup.exe" /P <product code> /M <abbreviation> /LANG en-US`. The program's
// path is in double quotes, so that a path with spaces names one program and never a shorter one
// (C:\Program.exe for C:\Program Files\...). The install directory is expected to end with a
// backslash; none is added.
std::wstring UninstallCommand(std::wstring_view installDir, std::wstring_view productCode,
                              std::wstring_view productAbbreviation);

// The text held in a buffer that the registry filled: up to the first null unit, and never
// beyond `units` (a value that fills the buffer without a terminator ends with the buffer).
std::wstring_view TextInBuffer(const wchar_t* buffer, std::size_t units);

// Cuts a local-server command down to the executable's path.
// - A command that starts with a double quote gives the text between that quote and the next
//   one (the whole rest when there is no closing quote); what follows is ignored.
// - Otherwise the text ends before the first "/", and one space right before that slash goes
//   with it. Other whitespace is kept as it is.
std::wstring_view CutServerCommand(std::wstring_view command);

// The 8-bit copy of a UTF-16 text for the log: each unit becomes its low 8 bits, with no
// code-page conversion (characters beyond 8-bit range come out garbled).
std::string LowByteCopy(std::wstring_view text);

}  // namespace brimsett
