#include "runtime/failure_codes.h"

namespace brimsett {

FailureCode FailureFromWin32(std::int32_t status) {
    if (status <= 0) return status;
    return static_cast<FailureCode>(0x80070000u | (static_cast<std::uint32_t>(status) & 0xFFFFu));
}

}  // namespace brimsett
