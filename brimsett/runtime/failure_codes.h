// HRESULT-style failure codes of the custom-action runtime (negative = failure).
#pragma once

#include <cstdint>

namespace brimsett {

using FailureCode = std::int32_t;

inline constexpr FailureCode kSuccess = 0;
inline constexpr FailureCode kInvalidArgument = static_cast<FailureCode>(0x80070057u);
inline constexpr FailureCode kOutOfMemory = static_cast<FailureCode>(0x8007000Eu);
inline constexpr FailureCode kUnspecifiedFailure = static_cast<FailureCode>(0x80004005u);
inline constexpr FailureCode kTruncated = static_cast<FailureCode>(0x8007007Au);

// A Win32 status of 0 stays 0; a positive status c becomes 0x80070000 | (c & 0xFFFF); a
// negative value is passed through unchanged.
FailureCode FailureFromWin32(std::int32_t status);

// The failure of a platform call that failed, from the last-error value it left: as
// FailureFromWin32, except that a value of 0 gives kUnspecifiedFailure, so that a failure is
// never taken for success.
FailureCode FailureFromLastError(std::uint32_t error);

}  // namespace brimsett
