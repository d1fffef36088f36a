#include "runtime/failure_codes.h"

namespace brimsett {

FailureCode FailureFromWin32(std::int32_t status) {
    if (status <= 0) return status;
    return static_cast<FailureCode>(0x80070000u | (static_cast<std::uint32_t>(status) & 0xFFFFu));
}

FailureCode FailureFromLastError(std::uint32_t error) {
    return error == 0 ? kUnspecifiedFailure : FailureFromWin32(static_cast<std::int32_t>(error));
}

}  // namespace brimsett
