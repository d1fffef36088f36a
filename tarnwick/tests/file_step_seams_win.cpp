// Win32 only: the registration tests' definitions of the file steps' seams, switchable at run time.
#include "tests/file_step_seams_win.h"

#include "platform/guarded_file_win.h"
#include "registration/file_step_seams_win.h"

namespace tarnwick {

namespace {

SecurityCarrier securityCarrier = &CarrySecurity;
bool turnsTaken = true;
BeforeSnapshotHook beforeSnapshotHook = nullptr;

}  // namespace

bool CarrySecurityStep(HANDLE from, HANDLE to) {
    return securityCarrier(from, to);
}

bool FileTurnsTaken() {
    return turnsTaken;
}

void BeforeSnapshotCheck(const std::wstring& fullPath) {
    if (beforeSnapshotHook != nullptr) beforeSnapshotHook(fullPath);
}

SecurityCarrier ReplaceSecurityCarrier(SecurityCarrier carrier) {
    const SecurityCarrier replaced = securityCarrier;
    securityCarrier = carrier != nullptr ? carrier : &CarrySecurity;
    return replaced;
}

TurnTaking SwitchFileTurns(TurnTaking taking) {
    const TurnTaking was = turnsTaken ? TurnTaking::kOn : TurnTaking::kOff;
    turnsTaken = taking == TurnTaking::kOn;
    return was;
}

BeforeSnapshotHook ReplaceBeforeSnapshotCheck(BeforeSnapshotHook hook) {
    const BeforeSnapshotHook replaced = beforeSnapshotHook;
    beforeSnapshotHook = hook;
    return replaced;
}

}  // namespace tarnwick
