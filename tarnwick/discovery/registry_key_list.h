// The registry-key list: the key paths, relative to HKEY_LOCAL_MACHINE, under which the loadpoint
// search looks for installations. It comes from the data file named by /reg, one key path a line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Narrow (8-bit) key paths, sorted by unsigned byte comparison, no two equal.
using RegistryKeyList = std::vector<std::string>;

// Turns the bytes of a key list file into the registry-key list.
//
// A line ends at a line feed; a carriage return right before the line feed goes with it, any
// other carriage return stays in the line. No other byte is special (a Ctrl-Z or a NUL is part of
// its line), nothing is trimmed or decoded, and a byte-order mark is just the first bytes of the
// first line. Empty lines are dropped. When `reachedEnd` is true the bytes are the whole file and
// an unterminated last line counts; when false the reading stopped early and the unterminated
// tail is dropped, since a cut key path would name some other key.
//
// The result is sorted byte-wise (unsigned; a prefix sorts first) and duplicate-free
// (case-sensitive).
RegistryKeyList ParseRegistryKeyList(std::string_view bytes, bool reachedEnd);

// Sorts narrow strings by unsigned byte comparison and removes duplicates. Shared by the key list
// and the loadpoint lists.
void SortAndRemoveDuplicates(std::vector<std::string>& strings);

}  // namespace tarnwick
