// Bounded 8-bit text formatting and copying, the same on every build.
//
// The formatter is our own rather than the C library's, so that the Windows build and the host
// tests give identical results and so that it never touches the heap (the installer log is
// composed with it). It knows the conversions the custom actions use:
//
//   %s %hs  8-bit text        %S %ls  UTF-16 text        %c %hc / %C %lc  a character of either
//   %d %i %u %x %X  int and unsigned (with h, l, ll, z length modifiers)
//   %%   a percent sign
//
// with the flags "-" (left-justify) and "0" (zero padding), a width and a precision (both may be
// "*"). A null string argument prints "(null)". UTF-16 text keeps the units up to U+00FF as
// their byte and turns every other character (a surrogate pair counts as one) into "?".
#pragma once

#include "runtime/failure_codes.h"

#include <cstdarg>
#include <cstddef>

namespace brimsett::text {

// The 16-bit unit of UTF-16 text arguments: wchar_t on Windows, char16_t elsewhere.
#if defined(_WIN32)
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
static_assert(sizeof(WideChar) == 2, "UTF-16 units are 16 bits wide");

// Largest capacity accepted, in bytes.
inline constexpr std::size_t kMaxCapacity = 0x7FFFFFFF;

// Formats into `buffer`, writing at most capacity - 1 characters and a terminator.
// - capacity 0 or above 0x7FFFFFFF: kInvalidArgument, nothing written;
// - text that does not fit, or a malformed or unknown conversion: the characters produced so
//   far (cut to capacity - 1) and a terminator, kTruncated;
// - otherwise kSuccess (a text of exactly capacity - 1 characters fits).
FailureCode FormatBoundedV(char* buffer, std::size_t capacity, const char* format, va_list args);
FailureCode FormatBounded(char* buffer, std::size_t capacity, const char* format, ...);

// Copies `source` with the same capacity rules. A null source is an invalid argument (the
// buffer, when its capacity is accepted, is left holding empty text).
FailureCode CopyBounded(char* buffer, std::size_t capacity, const char* source);

}  // namespace brimsett::text
