// Tests of where a run's turns live: an elevated run's in the private namespace that only
// administrators and SYSTEM can open, where the platform has private namespaces (Wine 8 has none,
// so there every run keeps the global names), and an unelevated run's under the global names.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include <future>
#include <thread>
#include <vector>

#include "platform/guarded_file_win.h"
#include "registration/file_turn.h"
#include "registration/file_turn_win.h"
#include "testkit/files_win.h"
#include "testkit/receive_win.h"
#include "win/scoped_handle.h"

namespace tarnwick {
namespace {

// Only the first of the namespace calls: on Wine 8 it returns NULL, and the next one,
// adding a group to the boundary, ends the process.
bool PlatformHasPrivateNamespaces() {
    const HANDLE boundary = CreateBoundaryDescriptorW(L"TarnwickTestProbe", 0);
    if (boundary == nullptr) return false;
    DeleteBoundaryDescriptor(boundary);
    return true;
}

// The Administrators group's SID; empty when it cannot be made.
std::vector<BYTE> AdministratorsSid() {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &size)) sid.clear();
    return sid;
}

// The test process's token as an unelevated user of the same account has it: the Administrators
// group for deny only (as UAC filters it), no privileges, the account itself as the owner of what
// it makes, medium integrity. Null when it cannot be made.
win::KernelHandle UnelevatedImpersonationToken() {
    win::KernelHandle process;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, testkit::Receive(process))) return {};
    std::vector<BYTE> administrators = AdministratorsSid();
    if (administrators.empty()) return {};
    SID_AND_ATTRIBUTES denyOnly{administrators.data(), 0};
    win::KernelHandle restricted;
    if (!CreateRestrictedToken(process.get(), DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0, nullptr,
                               testkit::Receive(restricted)))
        return {};
    win::KernelHandle token;
    if (!DuplicateTokenEx(restricted.get(), TOKEN_IMPERSONATE | TOKEN_QUERY | TOKEN_ADJUST_DEFAULT, nullptr,
                          SecurityImpersonation, TokenImpersonation, testkit::Receive(token)))
        return {};
    std::vector<BYTE> user(256);
    DWORD userSize = 0;
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &userSize))
        return {};
    TOKEN_OWNER owner{reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid};
    if (!SetTokenInformation(token.get(), TokenOwner, &owner, sizeof(owner))) return {};
    PSID medium = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-16-8192", &medium)) return {};
    TOKEN_MANDATORY_LABEL label{{medium, SE_GROUP_INTEGRITY}};
    const bool labelled =
        SetTokenInformation(token.get(), TokenIntegrityLevel, &label, sizeof(label) + GetLengthSid(medium)) != FALSE;
    LocalFree(medium);
    if (!labelled) return {};
    return token;
}

// What the unelevated user of UnelevatedImpersonationToken managed.
struct UserAttempt {
    bool impersonated = false;
    bool madeOldTurnFirst = false;  // the global mutex of the turn's name, made and held
    bool openedNamespace = false;   // the turns' private namespace, opened or created
};

// While impersonating that user: makes and holds the global mutex `oldName` (granting everyone
// everything, as someone who wants every run to wait would) and tries to reach the turns'
// namespace. Holds the mutex until `letGo` is set; `attempt` is set before that.
void ActAsUnelevatedUser(const std::wstring& oldName, std::promise<UserAttempt>& attempt, std::future<void> letGo) {
    UserAttempt result;
    win::KernelHandle mutex;
    const win::KernelHandle token = UnelevatedImpersonationToken();
    result.impersonated = token.valid() && SetThreadToken(nullptr, token.get());
    if (result.impersonated) {
        PSECURITY_DESCRIPTOR everyone = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;WD)", SDDL_REVISION_1, &everyone,
                                                                 nullptr)) {
            SECURITY_ATTRIBUTES attributes{sizeof(attributes), everyone, FALSE};
            SetLastError(ERROR_SUCCESS);
            (void)mutex.Reset(CreateMutexW(&attributes, TRUE, oldName.c_str()));
            result.madeOldTurnFirst = mutex.valid() && GetLastError() != ERROR_ALREADY_EXISTS;
            LocalFree(everyone);
        }
        HANDLE boundary = CreateBoundaryDescriptorW(std::wstring(kTurnBoundaryName).c_str(), 0);
        std::vector<BYTE> administrators = AdministratorsSid();
        if (boundary != nullptr && !administrators.empty() &&
            AddSIDToBoundaryDescriptor(&boundary, administrators.data())) {
            const std::wstring alias(kTurnNamespaceAlias);
            HANDLE opened = OpenPrivateNamespaceW(boundary, alias.c_str());
            if (opened == nullptr) opened = CreatePrivateNamespaceW(nullptr, boundary, alias.c_str());
            result.openedNamespace = opened != nullptr;
            if (opened != nullptr) ClosePrivateNamespace(opened, 0);
        }
        if (boundary != nullptr) DeleteBoundaryDescriptor(boundary);
        (void)RevertToSelf();
    }
    attempt.set_value(result);
    letGo.wait();
    if (result.madeOldTurnFirst) ReleaseMutex(mutex.get());
}

TEST(FileTurnPlace, AnElevatedRunTakesItsTurnsInThePrivateNamespaceWherePlatformsHaveIt) {
    const bool privateNamespaces = PlatformHasPrivateNamespaces();
    const bool elevated = IsUserAnAdmin() != FALSE;
    const TurnPlace expected = privateNamespaces && elevated ? TurnPlace::kAdministrators : TurnPlace::kGlobal;
    EXPECT_EQ(TurnPlaceOfThisRun(), expected)
        << "private namespaces: " << privateNamespaces << ", elevated: " << elevated;

    // The turn's mutex is there under its place's name only.
    const testkit::TempFolder folder;
    const FileTurnMutex turn(FullPathOf(folder.path() + L"\\protk.dat"));
    ASSERT_TRUE(turn.held());
    const FileIdentity identity = IdentityOf(folder.path());
    ASSERT_TRUE(identity.known);
    for (const TurnPlace place : {TurnPlace::kGlobal, TurnPlace::kAdministrators}) {
        const std::wstring name = FileTurnName(identity.index, L"PROTK.DAT", place);
        const win::KernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
        EXPECT_EQ(mutex.valid(), place == expected) << testkit::Narrow(name);
    }
}

TEST(FileTurnPlace, AGlobalMutexOfTheTurnsNameMadeFirstByAnUnelevatedUserBlocksNoElevatedRun) {
    if (!PlatformHasPrivateNamespaces())
        GTEST_SKIP() << "shown only on Windows: this platform (Wine) has no private namespaces "
                        "(CreateBoundaryDescriptorW fails), so its elevated runs keep the global names";
    if (!IsUserAnAdmin()) GTEST_SKIP() << "needs an elevated test run (an administrator or SYSTEM)";
    ASSERT_EQ(TurnPlaceOfThisRun(), TurnPlace::kAdministrators);
    const testkit::TempFolder folder;
    const std::wstring path = FullPathOf(folder.path() + L"\\protk.dat");
    const FileIdentity identity = IdentityOf(folder.path());
    ASSERT_TRUE(identity.known);

    std::promise<UserAttempt> attempt;
    std::promise<void> letGo;
    std::thread user(ActAsUnelevatedUser, FileTurnName(identity.index, L"PROTK.DAT"), std::ref(attempt),
                     letGo.get_future());
    const UserAttempt tried = attempt.get_future().get();
    bool held = false;
    {
        // A thread of its own: the user's mutex is held by another thread, as by another process.
        const FileTurnMutex turn(path);
        held = turn.held();
    }
    letGo.set_value();
    user.join();
    ASSERT_TRUE(tried.impersonated);
    ASSERT_TRUE(tried.madeOldTurnFirst);
    EXPECT_FALSE(tried.openedNamespace) << "an unelevated user reached the turns' namespace";
    EXPECT_TRUE(held) << "the turn under the global name blocked the elevated run";
}

}  // namespace
}  // namespace tarnwick
