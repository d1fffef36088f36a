// Win32 only: the action frame shared by the exports.
#include "actions/action_frame_win.h"

#include "runtime/wcalog.h"
#include "runtime/wcautil.h"

namespace brimsett {

UINT RunAction(MSIHANDLE installer, const char* logName, HRESULT (*work)(void* context), void* context) {
    if (FAILED(InitializeAction(installer, logName))) return FinalizeAction(ERROR_INSTALL_FAILURE);
    HRESULT hr;
    try {
        hr = work(context);
    } catch (...) {
        hr = E_OUTOFMEMORY;
        LogFailure(hr, "Out of memory");
    }
    return FinalizeAction(FAILED(hr) ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS);
}

}  // namespace brimsett
