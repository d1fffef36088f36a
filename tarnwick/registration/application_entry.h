// The application's registry-file entry, built from the run values. Platform-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run_options.h"

namespace tarnwick {

// Where an entry goes: appended to a loadpoint's protk.dat it is led by an empty line; a spare
// registry file begins directly with its name line.
enum class EntryPlacement { kLoadpointFile, kSpareFile };

// The 8-bit form of a wide text for a registry file: each character U+0000 to U+00FF becomes the
// byte of the same code. Returns nothing when the text holds a character beyond U+00FF, which the
// file cannot store, or a line feed, which would split the line and leave a broken entry.
std::optional<std::string> EncodeRegistryFileText(std::wstring_view text);

// The entry's lines for the application described by `options`, with
// `executable` on the exec_file line:
//   (empty line, for a loadpoint file), name, [startup], [fail_tol false], exec_file, [text_dir],
//   unicode_encoding true|false, delay_start true|false, allow_stop true, [description], end.
// A keyword line is the keyword, one space and the option's value as typed. Returns nothing when
// a value cannot be stored in a registry file (see EncodeRegistryFileText).
std::optional<std::vector<std::string>> BuildApplicationEntry(const RunOptions& options, std::wstring_view executable,
                                                              EntryPlacement placement);

// The bytes of a spare registry file: the entry without its leading empty line, CR LF after every
// line. Returns nothing when the entry cannot be built.
std::optional<std::string> BuildSpareRegistryFile(const RunOptions& options, std::wstring_view executable);

}  // namespace tarnwick
