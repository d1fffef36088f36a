// CheckForSolidWorks and CheckForPelliton of the real brimsett.dll in installer sessions, each
// case with a class registration and files of its own.
#include <gtest/gtest.h>

#include "testkit/files_win.h"
#include "testkit/registry_win.h"
#include "tests/session_support_win.h"
#include "win/registry_key.h"
#include "win/scoped_handle.h"

#include <cstdint>

namespace brimsett_test {

using namespace testkit;
namespace {

const std::wstring kLog = L"CheckForCADApplication";
const std::wstring kUntouched = L"untouched";

// A COM class registered under HKEY_CLASSES_ROOT in one registry view, removed afterwards.
class RegisteredClass {
public:
    explicit RegisteredClass(View view = k64)
        : clsid_(NewGuidText()), key_(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + clsid_, view), view_(view) {}
    // Sets the default value of LocalServer32 to `command` (REG_SZ with terminator).
    bool SetServer(const std::wstring& command) {
        return SetStringValue(HKEY_LOCAL_MACHINE, serverKey(), view_, nullptr, command);
    }
    bool SetServerRaw(DWORD type, const void* data, DWORD bytes) {
        return SetRawValue(HKEY_LOCAL_MACHINE, serverKey(), view_, nullptr, type, data, bytes);
    }
    bool CreateServerKeyOnly() { return CreateKey(HKEY_LOCAL_MACHINE, serverKey(), view_); }
    std::wstring serverKey() const { return key_.path() + L"\\LocalServer32"; }
    const std::wstring& clsid() const { return clsid_; }
    View view() const { return view_; }

private:
    std::wstring clsid_;
    ScopedKey key_;
    View view_;
};

ActionRun DetectSolidWorks(const std::wstring& clsid) {
    return RunExport(L"CheckForSolidWorks", kLog, {{L"SOLIDWORKS_CLSID", clsid}, {L"SOLIDWORKS_LOCATION", kUntouched}},
                     {L"SOLIDWORKS_LOCATION"});
}

std::wstring GettingLine(const std::wstring& clsid) {
    return kLog + L":  Getting registry value CLSID\\" + clsid + L"\\LocalServer32\\(Default)";
}
std::wstring LookingLine(const std::wstring& path) {
    return kLog + L":  Looking for file " + path;
}

class Detection : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = folder_.path() + L"\\sldworks.exe";
        ASSERT_TRUE(WriteFileBytes(exe_, "MZ"));
    }
    TempFolder folder_;
    std::wstring exe_;
};

TEST_F(Detection, ServerCommandIsCutAtTheFirstSlash) {
    // A REG_EXPAND_SZ is expanded before the quotes are taken off and before the file test; the
    // folder lies in the temporary folder, which %TEMP% names in the action's process too.
    const std::wstring leaf = folder_.path().substr(folder_.path().rfind(L'\\') + 1);
    const std::wstring spaced = folder_.path() + L"\\Solid Works\\sldworks.exe";
    ASSERT_TRUE(CreateDirectoryW((folder_.path() + L"\\Solid Works").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(spaced, "MZ"));
    const std::wstring unexpanded = L"%TEMP%\\" + leaf + L"\\sldworks.exe";
    struct Case {
        std::wstring command;
        std::wstring path;
        DWORD type = REG_SZ;
        std::wstring location = L"";  // the path when empty
    };
    const std::wstring& exe = exe_;
    for (const Case& c :
         {Case{exe + L" /automation", exe}, Case{exe + L"/automation", exe}, Case{exe, exe}, Case{exe + L" ", exe},
          Case{unexpanded + L" /automation", exe, REG_EXPAND_SZ},
          Case{L"\"%TEMP%\\" + leaf + L"\\Solid Works\\sldworks.exe\" /automation", spaced, REG_EXPAND_SZ},
          // A REG_SZ is taken as it is: no file has that name.
          Case{unexpanded + L" /automation", unexpanded, REG_SZ, kUntouched}}) {
        SCOPED_TRACE(c.command);
        RegisteredClass server;
        ASSERT_TRUE(server.SetServerRaw(c.type, c.command.c_str(), static_cast<DWORD>((c.command.size() + 1) * 2)));
        ActionRun run = DetectSolidWorks(server.clsid());
        ASSERT_EQ(run.error, L"");
        EXPECT_EQ(run.result, 0u);
        EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(c.path)}));
        EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), c.location.empty() ? c.path : c.location);
    }
}

TEST_F(Detection, TwoSpacesBeforeTheSlashLeaveOneTrailingSpace) {
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(exe_ + L"  /automation"));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe_ + L" ")}));
    // The file test opens the path as the platform reads it (a trailing space in the last
    // component is dropped), and the property gets the path as cut.
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), exe_ + L" ");
}

TEST_F(Detection, QuotedServerPathIsTakenFromBetweenTheQuotes) {
    std::wstring dir = folder_.path() + L"\\Program Files\\Solid Works";
    ASSERT_TRUE(CreateDirectoryW((folder_.path() + L"\\Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    std::wstring exe = dir + L"\\sldworks.exe";
    ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(L"\"" + exe + L"\" /automation \"C:\\x\\y\""));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe)}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), exe);
}

TEST_F(Detection, LeadingSlashGivesAnEmptyPathAndNoProperty) {
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(L"/automation"));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(L"")}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, MissingUnreadableOrDirectoryExecutableCountsAsNotInstalled) {
    std::wstring missing = folder_.path() + L"\\missing.exe";
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(missing + L" /automation"));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(missing)}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);

    ASSERT_TRUE(server.SetServer(folder_.path() + L" /automation"));
    run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(folder_.path())}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);

    // Held open by this process without read sharing (the action runs in another process).
    ASSERT_TRUE(server.SetServer(exe_ + L" /automation"));
    win::FileHandle held(
        CreateFileW(exe_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    run = DetectSolidWorks(server.clsid());
    (void)held.Reset();
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe_)}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, UnregisteredClassWritesNothing) {
    ActionRun run = DetectSolidWorks(NewGuidText());
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);

    // An undefined class identifier names "CLSID\\LocalServer32", which does not exist.
    run = RunExport(L"CheckForSolidWorks", kLog, {{L"SOLIDWORKS_LOCATION", kUntouched}}, {L"SOLIDWORKS_LOCATION"});
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, ClassRegisteredOnlyInThe32BitViewIsNotFound) {
    RegisteredClass server(k32);
    ASSERT_TRUE(server.SetServer(exe_));
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, server.serverKey(), k64));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, DefaultValueMissingOrTooLongFailsTheAction) {
    RegisteredClass server;
    ASSERT_TRUE(server.CreateServerKeyOnly());
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines,
              (Lines{GettingLine(server.clsid()), kLog + L":  Error 0x80070002: Failed to get registry value"}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);

    // 200 characters and a terminator need 402 bytes.
    ASSERT_TRUE(server.SetServer(std::wstring(200, L'x')));
    run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines,
              (Lines{GettingLine(server.clsid()), kLog + L":  Error 0x800700ea: Failed to get registry value"}));
}

TEST_F(Detection, ValueFillingAll400BytesWithoutTerminatorIsReadNoFurther) {
    // A file whose full path is exactly 200 characters.
    std::wstring exe = folder_.path() + L"\\";
    exe += std::wstring(200 - exe.size() - 4, L'p') + L".exe";
    ASSERT_EQ(exe.size(), 200u);
    ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
    // A string value that fills the 400 bytes without a terminator: the action takes what the
    // platform hands over, as this process reads it (Windows returns it as it is; Wine has been
    // seen to answer 234 in a 32-bit process).
    RegisteredClass server;
    ASSERT_TRUE(server.SetServerRaw(REG_SZ, exe.data(), 400));
    win::RegistryKey key;
    const bool opened =
        key.Open(HKEY_LOCAL_MACHINE, server.serverKey().c_str(), KEY_QUERY_VALUE | server.view()) == ERROR_SUCCESS;
    ASSERT_TRUE(opened);
    wchar_t buffer[200];
    const LONG status = key.ReadString(nullptr, buffer).status;
    ActionRun run = DetectSolidWorks(server.clsid());
    if (status == ERROR_MORE_DATA) {
        EXPECT_EQ(run.result, 1603u);
        EXPECT_EQ(run.lines,
                  (Lines{GettingLine(server.clsid()), kLog + L":  Error 0x800700ea: Failed to get registry value"}));
        return;
    }
    const bool read = status == ERROR_SUCCESS;
    ASSERT_TRUE(read);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe)}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), exe);
}

TEST_F(Detection, ServerValueOfAnotherTypeThanAStringCountsAsAbsent) {
    // Each holds the executable's path, as bytes; none is a string value, so none is read, also
    // not one too large for the buffer.
    const std::string bytes(reinterpret_cast<const char*>(exe_.c_str()), (exe_.size() + 1) * 2);
    const std::string large = bytes + std::string(400, '\0');
    const std::uint32_t dword = 0x76;
    struct Case {
        DWORD type;
        std::string data;
    };
    for (const Case& c :
         {Case{REG_BINARY, bytes}, Case{REG_MULTI_SZ, bytes + std::string(2, '\0')}, Case{REG_NONE, bytes},
          Case{REG_BINARY, large}, Case{REG_DWORD, std::string(reinterpret_cast<const char*>(&dword), sizeof dword)}}) {
        SCOPED_TRACE(c.type);
        RegisteredClass server;
        ASSERT_TRUE(server.SetServerRaw(c.type, c.data.data(), static_cast<DWORD>(c.data.size())));
        ActionRun run = DetectSolidWorks(server.clsid());
        EXPECT_EQ(run.result, 1603u);
        EXPECT_EQ(run.lines,
                  (Lines{GettingLine(server.clsid()), kLog + L":  Error 0x80070002: Failed to get registry value"}));
        EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
    }
}

TEST_F(Detection, KeyThatCannotBeOpenedFailsTheAction) {
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(exe_));
    ASSERT_TRUE(DenyAccess(HKEY_LOCAL_MACHINE, server.serverKey(), k64));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines, (Lines{kLog + L":  Error 0x80070005: Failed to get registry key"}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, LongClassIdentifierNamesItsOwnKeyNeverACutOne) {
    // Cut at 499 characters, "CLSID\<id>\LocalServer32" would name the key registered here,
    // whose server exists; the whole path names no key.
    RegisteredClass server;
    std::wstring a(200, L'a'), b(239, L'b');
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, server.serverKey() + L"\\" + a + L"\\" + b, k64, nullptr, exe_));
    std::wstring clsid = server.clsid() + L"\\LocalServer32\\" + a + L"\\" + b + L"\\tail";
    ASSERT_GT((L"CLSID\\" + clsid + L"\\LocalServer32").size(), 499u);
    ASSERT_EQ((L"CLSID\\" + server.clsid() + L"\\LocalServer32\\" + a + L"\\" + b).size(), 499u);
    ActionRun run = DetectSolidWorks(clsid);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), kUntouched);
}

TEST_F(Detection, BothExportsLogAsCheckForCADApplication) {
    std::wstring exe = folder_.path() + L"\\pelliton.exe";
    ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(exe + L" /embedding"));
    ActionRun run = RunExport(L"CheckForPelliton", kLog,
                              {{L"PELLITON_CLSID", server.clsid()}, {L"SOLIDWORKS_CLSID", server.clsid()}},
                              {L"PELLITON_LOCATION", L"SOLIDWORKS_LOCATION"});
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe)}));
    EXPECT_EQ(run.Property(L"PELLITON_LOCATION"), exe);
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), L"");
}

TEST_F(Detection, CancelWhileALineIsSentEndsWithUserExit) {
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(exe_ + L" /automation"));
    ActionRun run = RunExport(L"CheckForSolidWorks", kLog,
                              {{L"SOLIDWORKS_CLSID", server.clsid()}, {L"SOLIDWORKS_LOCATION", kUntouched}},
                              {L"SOLIDWORKS_LOCATION"}, kLog + L":  Looking for file ");
    // The action goes on to its end; only its result becomes 1602.
    EXPECT_EQ(run.result, 1602u);
    EXPECT_EQ(run.lines, (Lines{GettingLine(server.clsid()), LookingLine(exe_)}));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), exe_);
}

TEST_F(Detection, PathBeyondEightBitRangeIsSetWholeAndLoggedGarbled) {
    std::wstring exe = folder_.path() + L"\\\x0416-app.exe";
    ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
    RegisteredClass server;
    ASSERT_TRUE(server.SetServer(exe + L" /automation"));
    ActionRun run = DetectSolidWorks(server.clsid());
    EXPECT_EQ(run.result, 0u);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[1], LookingLine(folder_.path() + L"\\\x16-app.exe"));
    EXPECT_EQ(run.Property(L"SOLIDWORKS_LOCATION"), exe);
}

}  // namespace
}  // namespace brimsett_test
