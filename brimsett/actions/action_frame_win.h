// Win32 only: the frame every export runs its work in.
#pragma once

#include <windows.h>

#include <msi.h>

#include <type_traits>

namespace brimsett {

// Binds the action under `logName`, runs `work` (which reports its own first failure with
// LogFailure and returns it) and returns what FinalizeAction gives: 1603 after a failure,
// else 0. Nothing leaves the export as an exception: a failed allocation inside the work ends
// the action as an out-of-memory failure.
UINT RunAction(MSIHANDLE installer, const char* logName, HRESULT (*work)(void* context), void* context);

template <typename Work>
UINT RunAction(MSIHANDLE installer, const char* logName, Work&& work) {
    using Callable = std::remove_reference_t<Work>;
    return RunAction(
        installer, logName, [](void* context) { return (*static_cast<Callable*>(context))(); }, &work);
}

}  // namespace brimsett
