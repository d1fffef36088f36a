// Win32 only: what the actions ask of the platform beyond the runtime: a text with its
// environment references expanded, and whether a directory that already exists may be taken as
// the one the action would have made.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace brimsett {

// The text with its environment references (%NAME%) expanded, whole, never cut; nothing when the
// platform cannot expand it.
std::optional<std::wstring> ExpandEnvironment(const wchar_t* text);

// A security identifier, as its bytes.
using SidBytes = std::vector<BYTE>;

// The owners whose directory an action takes as its own: the Administrators group, SYSTEM, and
// the user of the token the action runs with (the thread's when it impersonates, else the
// process's). That user is the installing user: an immediate action runs with the rights of the
// user who started the installation, a deferred one without impersonation as SYSTEM. The token
// is asked rather than the UserSID property, which the command line or the package can set to
// any text and which a deferred action cannot read.
std::vector<SidBytes> InstallationOwners();

// Whether the existing directory at `path` can be trusted as made by the installation. It is
// opened as itself, never through a link (FILE_FLAG_OPEN_REPARSE_POINT and
// FILE_FLAG_BACKUP_SEMANTICS), and gives S_OK only when it is a plain directory, not a reparse
// point, whose owner is one of `trustedOwners`. Otherwise the failure code:
// - a reparse point (junction, symbolic link, mount point): 4395, ERROR_REPARSE_POINT_ENCOUNTERED;
// - not a directory: ERROR_ALREADY_EXISTS;
// - another owner: ERROR_INVALID_OWNER;
// - the open or a query fails: its own status;
// each as HRESULT_FROM_WIN32. Tests pass their own owners; the action takes the default.
HRESULT TrustExistingDirectory(const wchar_t* path, const std::vector<SidBytes>& trustedOwners = InstallationOwners());

}  // namespace brimsett
