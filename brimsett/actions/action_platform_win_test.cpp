// The actions' Win32 helpers in this process: the trust of an existing directory, with the owners
// passed in where a test needs another answer than the platform's, and the environment expansion.
#include "actions/action_platform_win.h"

#include <gtest/gtest.h>

#include "testkit/files_win.h"

namespace brimsett {
namespace {

using testkit::TempFolder;
using testkit::WriteFileBytes;

constexpr HRESULT kInvalidOwner = static_cast<HRESULT>(0x8007051Bu);
constexpr HRESULT kAlreadyExists = static_cast<HRESULT>(0x800700B7u);
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002u);

std::vector<SidBytes> Only(WELL_KNOWN_SID_TYPE type) {
    SidBytes sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    EXPECT_TRUE(CreateWellKnownSid(type, nullptr, sid.data(), &size));
    sid.resize(size);
    return {sid};
}

TEST(TrustExistingDirectory, OnlyAPlainDirectoryOfATrustedOwner) {
    TempFolder folder;
    const std::wstring directory = folder.path() + L"\\made";
    const std::wstring file = folder.path() + L"\\file";
    ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    struct Case {
        std::wstring path;
        std::vector<SidBytes> owners;
        HRESULT result;
    };
    // What this process makes is owned by its user (or, elevated, by Administrators): trusted.
    // Owned by no one in the list (here only the Local Service account, which owns nothing of
    // ours): refused. Reparse points and foreign owners on disk are shown only on Windows (see
    // the CreateTempDir session tests).
    for (const Case& c :
         {Case{directory, InstallationOwners(), S_OK}, Case{directory, Only(WinLocalServiceSid), kInvalidOwner},
          Case{directory, {}, kInvalidOwner}, Case{file, InstallationOwners(), kAlreadyExists},
          Case{folder.path() + L"\\missing", InstallationOwners(), kNotFound}}) {
        SCOPED_TRACE(testkit::Narrow(c.path));
        EXPECT_EQ(TrustExistingDirectory(c.path.c_str(), c.owners), c.result);
    }
}

TEST(ExpandEnvironment, ExpandsWholeAndNeverCuts) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"BRIMSETT_TEST_LONG", std::wstring(5000, L'l').c_str()));
    struct Case {
        std::wstring text, expanded;
    };
    for (const Case& c :
         {Case{L"plain", L"plain"}, Case{L"", L""}, Case{L"%BRIMSETT_TEST_UNSET%\\x", L"%BRIMSETT_TEST_UNSET%\\x"},
          Case{L"a%BRIMSETT_TEST_LONG%b", L"a" + std::wstring(5000, L'l') + L"b"}})
        EXPECT_EQ(ExpandEnvironment(c.text.c_str()), c.expanded);
    SetEnvironmentVariableW(L"BRIMSETT_TEST_LONG", nullptr);
}

}  // namespace
}  // namespace brimsett
