// Win32 only: the program's own behaviour at the points where the registration tests step in.
#include "registration/file_step_seams_win.h"

#include "platform/guarded_file_win.h"

namespace tarnwick {

bool CarrySecurityStep(HANDLE from, HANDLE to) {
    return CarrySecurity(from, to);
}

bool FileTurnsTaken() {
    return true;
}

void BeforeSnapshotCheck(const std::wstring& /*fullPath*/) {}

}  // namespace tarnwick
