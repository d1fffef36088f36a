// The Pro/TOOLKIT registry file (protk.dat) as lines of bytes, platform-free.
//
// A registry file is 8-bit text: every byte is the character with the same code (U+0000 to
// U+00FF), so a line is held as its bytes. No byte ends a file and no code page is applied. A
// UTF-8 byte-order mark at the start of the file is not part of the first line; a rewrite keeps
// it at the start.
//
// Reading: a line ends at a line feed; a carriage return right before that line feed goes with it,
// any other carriage return stays in the line. The text after the last line feed is always a line
// of its own, so a file ending with a line feed yields a final empty line and an empty file yields
// one empty line.
//
// Writing: every line, the last included, is followed by CR LF; a run of empty lines comes out as
// one empty line (a line of blanks is not empty). A line that is kept is written as it was read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Lines without their terminators. The views point into the strings of an entry; whoever holds
// the list keeps those alive.
using RegistryFileLines = std::vector<std::string_view>;

// The bytes that writing `lines` produces: CR LF after every line, empty runs collapsed. `source`
// may name bytes that the lines point into, which lets long stretches be copied whole.
std::string SerializeRegistryFileLines(const RegistryFileLines& lines, std::string_view source = {});

// `text` without its leading and trailing spaces and tabs; no other character is blank.
std::string_view TrimBlanks(std::string_view text);

// Appends the lines of `entry` (which must outlive `lines`) to `lines`.
void AppendApplicationEntry(RegistryFileLines& lines, const std::vector<std::string>& entry);

// Writes into `merged` (whose storage is reused from one file to the next) the new bytes of a
// registry file after removing the application's entries and, when `entry` is given, appending
// it, each step taken as a whole rewrite of the file. `existing` is the file's bytes, or nothing
// when the file does not exist.
//
// An entry of the application `name` runs from a name line whose value, trimmed of blanks, equals
// `name` trimmed of blanks (case-sensitive), through the next line that reads "end" in any letter
// case with any blanks around it, or up to the next name line of any application when that comes
// first (that line is kept and looked at as usual), or to the last line. A name line is one whose
// text, after blanks, begins with the keyword "name" in any ASCII letter case, with or without
// blanks after it. In recognising these lines, and in trimming `name`, a carriage return counts
// as a blank like a space and a tab.
//
// Returns false when the file is to be left as it is: unregistering found no entry, or
// registering would write back the very same bytes.
bool MergeRegistryFile(std::optional<std::string_view> existing, std::string_view name,
                       const std::vector<std::string>* entry, std::string& merged);

}  // namespace tarnwick
