// Win32 edge of the registry files: updating a loadpoint's protk.dat, and writing and deleting the
// spare registry files, each under the file's turn (file_turn_win.h). A file that is passed over
// is named on standard error with the reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run_options.h"

namespace tarnwick {

// The bytes read from one registry file and the bytes to be written, kept from file to file.
struct RegistryFileBuffers {
    std::string read;
    std::string merged;
};

// Removes the application's entries from the registry file at `path` and, when `entry` is given
// (with its leading empty line), appends it: one safe rewrite giving the bytes of a rewrite after
// the removal (when it found an entry) and another after the append. Nothing changes a file that
// cannot be read whole, or where nothing is to change. Should another program change the file
// while it is being merged, it is read and merged again.
void UpdateRegistryFile(const std::string& path, std::string_view name, const std::vector<std::string>* entry,
                        RegistryFileBuffers& buffers);

// Writes the spare registry file at `path`: the application's entry with `executable` on its
// exec_file line, replacing whatever the file held, or leaving it as it was on failure.
void WriteSpareRegistryFile(const RunOptions& options, const std::wstring& path, std::wstring_view executable);

// Deletes the spare registry file at `path`; one that is not there is no failure.
void DeleteSpareRegistryFile(const std::wstring& path);

}  // namespace tarnwick
