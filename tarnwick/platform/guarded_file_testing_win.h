// Win32 only: a seam for tests at the step that gives a new file the old one's security. Wine
// keeps no file security, so carrying it over never fails there; a test replaces the step with one
// that fails, to show that the old file is then left as it is.
#pragma once

#include <windows.h>

namespace tarnwick {

using SecurityCarrier = bool (*)(HANDLE from, HANDLE to);

// Replaces the step that ReplacementFile::Write takes to carry the security over (CarrySecurity;
// a null carrier restores it) and returns the step it replaced.
SecurityCarrier ReplaceSecurityCarrier(SecurityCarrier carrier);

}  // namespace tarnwick
