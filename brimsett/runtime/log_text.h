// The text side of the installer log and of the verbose-logging decision.
#pragma once

#include "runtime/bounded_format.h"

#include <cstdarg>
#include <cstddef>

namespace brimsett::text {

// Capacity of the scratch buffers a log line is composed in; a line keeps at most 2047
// characters.
inline constexpr std::size_t kLogLineCapacity = 2048;

// Composes one log line in two passes. First the prefix "<logName>:  " (nothing when the name
// is empty) and the format text go into `compose`, then `compose` is formatted with `args` into
// `line`. Both buffers hold kLogLineCapacity characters; a cut in either pass is accepted
// silently. A percent sign in the log name is doubled in the first pass, so the name is shown
// as written and never read as a conversion. Touches no heap.
void ComposeLogLine(char* compose, char* line, const char* logName, const char* format, va_list args);

// Whether the text holds a "v" or "V" within its first `maxUnits` units, stopping at the first
// null unit: the letter that turns verbose logging on in MsiLogging and in the logging policy.
bool HasVerboseLetter(const WideChar* text, std::size_t maxUnits);

}  // namespace brimsett::text
