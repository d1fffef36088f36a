// Win32 only: the frame every export runs its work in.
//
// Every export follows one frame: InitializeAction; the work, stopping at the first failure it
// acts on and writing it with LogFailure; then `return FinalizeAction(failed ? 1603 : 0)`.
// RunAction is that frame.
#pragma once

#include <windows.h>

#include <msi.h>

#include <type_traits>

namespace brimsett {

// Binds the action: sets the log name (at most 31 characters), publishes the verbose-logging
// decision when the action has a database, and writes the verbose entry line.
HRESULT InitializeAction(MSIHANDLE installerHandle, const char* actionName);

// Releases the database handle, unbinds the action and returns the installer result code:
// the cancel override (1602) if a cancel was seen, else `resultCode`.
UINT FinalizeAction(UINT resultCode);

// Binds the action under `logName`, runs `work` (which reports its own first failure with
// LogFailure and returns it) and returns what FinalizeAction gives: 1603 after a failure, else 0.
// Nothing leaves the export as an exception: a failed allocation inside the work ends the action
// as an out-of-memory failure ("Out of memory"), any other exception as an unexpected one
// ("Unexpected exception", E_UNEXPECTED).
UINT RunAction(MSIHANDLE installer, const char* logName, HRESULT (*work)(void* context), void* context);

template <typename Work>
UINT RunAction(MSIHANDLE installer, const char* logName, Work&& work) {
    using Callable = std::remove_reference_t<Work>;
    return RunAction(
        installer, logName, [](void* context) { return (*static_cast<Callable*>(context))(); }, &work);
}

}  // namespace brimsett
