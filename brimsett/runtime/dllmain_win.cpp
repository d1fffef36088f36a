// Win32 only: the library's load hook, and the runtime state it fills in.
#include "runtime/runtime_state.h"

namespace brimsett {

// Defined beside the load hook so that every library linking the runtime gets both.
RuntimeState runtimeState;

}  // namespace brimsett

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) brimsett::runtimeState.moduleHandle = instance;
    return TRUE;
}
