// Win32 only: the runtime state, the load hook that fills in the module, and the messages to the
// installer.
#include "runtime/installer_session_win.h"

namespace brimsett {

namespace {

constexpr UINT kUserExit = 1602;  // ERROR_INSTALL_USEREXIT

// Defined beside the load hook, so that every library linking the runtime gets both.
RuntimeState runtimeState;

}  // namespace

RuntimeState& ProcessRuntimeState() {
    return runtimeState;
}

int SendInstallerMessage(INSTALLMESSAGE type, MSIHANDLE record) {
    RuntimeState& state = runtimeState;
    int answer = MsiProcessMessage(state.installerHandle, type, record);
    if (answer == static_cast<int>(kUserExit) || answer == IDCANCEL) state.resultOverride = kUserExit;
    return answer;
}

}  // namespace brimsett

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) brimsett::ProcessRuntimeState().moduleHandle = instance;
    return TRUE;
}
