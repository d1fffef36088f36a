// Win32 only: the verbose-logging decision of an action with a database, and its publication
// through the global atoms for the actions that follow (deferred ones included).
#pragma once

#include <windows.h>

namespace brimsett {

// Whether verbose logging is on: the property LOGVERBOSE has a value, or MsiLogging holds a "v"
// or "V", or the machine's logging policy does. Decided once for the life of the library; a
// failed read of MsiLogging leaves it off without asking the policy.
bool DetermineVerboseLogging();

// Makes the atoms say `on`: "WcaVerboseLogging" present and "WcaNotVerboseLogging" absent, or
// the other way round. Writes and returns the first failure.
HRESULT PublishVerboseLogging(bool on);

}  // namespace brimsett
