// Win32 edge of the registry files: reading, writing and updating a loadpoint's protk.dat and the
// spare registry files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/registry_file.h"
#include "registration/safe_file_win.h"

namespace tarnwick {

// Reads the whole registry file at the narrow `path` into `bytes`, and its attributes; its lines
// are SplitRegistryFileLines(bytes). A file that exists but cannot be read whole reads as
// kUnreadable.
FileReadState ReadRegistryFileLines(const std::string& path, std::string& bytes, unsigned long& attributes);

// Puts `lines` (CR LF after each, empty runs collapsed), or bytes already serialised so, into the
// file at `path` in one step, or leaves the file as it was. `existingAttributes` are those the
// file had when it was read; without them the file must be absent.
bool WriteRegistryFileLines(const RegistryFileLines& lines, const std::string& path,
                            std::optional<unsigned long> existingAttributes);
bool WriteRegistryFileLines(const std::string& path, std::string_view serialized,
                            std::optional<unsigned long> existingAttributes);

// The bytes read from one registry file and the bytes to be written, kept from file to file.
struct RegistryFileBuffers {
    std::string read;
    std::string merged;
};

// Removes the application's entries from the registry file at `path` and, when `entry` is given
// (with its leading empty line), appends it: one safe rewrite giving the bytes of a rewrite after
// the removal (when it found an entry) and another after the append. A file that cannot be read
// whole is left untouched, as is one where nothing changes.
void UpdateRegistryFile(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                        RegistryFileBuffers& buffers);

// Writes the spare registry file at `path`: the application's entry with `executable` on its
// exec_file line, replacing whatever the file held, or leaving it as it was on failure.
void WriteSpareRegistryFile(const std::wstring& path, std::wstring_view executable);

}  // namespace tarnwick
