// The runtime inside real installer sessions: the probe DLL's exports (probe_actions_win.cpp)
// run as type 1 custom actions, and each test checks the lines and properties that prove the
// DLL ran, not only the result code (Wine reports an action that failed to load as success).
#include "tests/msi_harness_win.h"

#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "win/registry_key.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

namespace brimsett_test {

using namespace testkit;
namespace {

constexpr wchar_t kVerboseAtom[] = L"WcaVerboseLogging";
constexpr wchar_t kNotVerboseAtom[] = L"WcaNotVerboseLogging";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer";

bool AtomExists(const wchar_t* name) {
    return GlobalFindAtomW(name) != 0;
}

void RemoveAtom(const wchar_t* name) {
    for (int i = 0; i < 100; ++i) {
        ATOM atom = GlobalFindAtomW(name);
        if (atom == 0) return;
        GlobalDeleteAtom(atom);
    }
}

// Sets the machine's installer logging policy for one test and removes it afterwards, together
// with every key of its path that the test created.
class LoggingPolicy {
public:
    explicit LoggingPolicy(const std::wstring& value)
        : LoggingPolicy(REG_SZ, std::string(reinterpret_cast<const char*>(value.c_str()), (value.size() + 1) * 2)) {}
    // A value of any type, as its bytes.
    LoggingPolicy(DWORD type, const std::string& bytes) {
        std::wstring path;
        std::wstring rest = kPolicyKey;
        while (!rest.empty()) {
            size_t slash = rest.find(L'\\');
            path += (path.empty() ? L"" : L"\\") + rest.substr(0, slash);
            rest = slash == std::wstring::npos ? L"" : rest.substr(slash + 1);
            win::RegistryKey key;
            DWORD disposition = 0;
            if (key.Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, &disposition) != ERROR_SUCCESS) return;
            if (disposition == REG_CREATED_NEW_KEY) created_.push_back(path);
            if (rest.empty())
                ok_ = RegSetValueExW(key.get(), L"Logging", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
        }
    }
    ~LoggingPolicy() {
        win::RegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_SET_VALUE) == ERROR_SUCCESS)
            RegDeleteValueW(key.get(), L"Logging");
        for (auto at = created_.rbegin(); at != created_.rend(); ++at) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, at->c_str());
        }
    }
    bool ok() const { return ok_; }

private:
    std::vector<std::wstring> created_;
    bool ok_ = false;
};

bool PolicyPresent() {
    win::RegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
           key.ReadString(L"Logging", {}).status == ERROR_SUCCESS;
}

// Every test starts and ends with neither verbosity atom and no logging policy.
class RuntimeSession : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAtom(kVerboseAtom);
        RemoveAtom(kNotVerboseAtom);
        ASSERT_FALSE(PolicyPresent()) << "the prefix carries an installer logging policy";
    }
    void TearDown() override {
        RemoveAtom(kVerboseAtom);
        RemoveAtom(kNotVerboseAtom);
    }

    static Package ProbePackage(std::vector<std::pair<std::wstring, std::wstring>> properties = {}) {
        Package package;
        package.dllPath = PathBesideTestProgram(L"brimsett_probe.dll");
        package.properties = std::move(properties);
        package.actions = {
            {L"Entry", L"ProbeEntry"},
            {L"NoDatabase", L"ProbeNoDatabase"},
            {L"LogName", L"ProbeLogName"},
            {L"FailureLine", L"ProbeFailureLine"},
            {L"LongLine", L"ProbeLongLine"},
            {L"Cancel", L"ProbeCancel"},
            {L"ReadProperty", L"ProbeReadProperty"},
            {L"WriteProperty", L"ProbeWriteProperty"},
            {L"FrameOutOfMemory", L"ProbeFrameOutOfMemory"},
            {L"FrameUnexpected", L"ProbeFrameUnexpected"},
        };
        return package;
    }

    // Runs the entry probe in a fresh session and returns its lines; the entry line, when
    // present, must name the DLL's own path and version.
    static Lines RunEntry(std::vector<std::pair<std::wstring, std::wstring>> properties) {
        InstallerSession session(ProbePackage(std::move(properties)));
        EXPECT_TRUE(session.ok()) << Narrow(session.error());
        EXPECT_EQ(session.DoAction(L"Entry"), 0u);
        const std::wstring path = session.GetProperty(L"PROBE_MODULE_PATH");
        EXPECT_FALSE(path.empty()) << "the probe did not run";
        Lines lines = session.LinesOf(L"RuntimeProbe");
        if (!lines.empty() && lines.front().find(L"Entering") != std::wstring::npos) {
            EXPECT_EQ(lines.front(), L"RuntimeProbe:  Entering RuntimeProbe in " + path + L", version 3.1.4.15");
        }
        return lines;
    }

    static Lines RunNoDatabase(std::vector<std::pair<std::wstring, std::wstring>> properties = {}) {
        InstallerSession session(ProbePackage(std::move(properties)));
        EXPECT_TRUE(session.ok()) << Narrow(session.error());
        EXPECT_EQ(session.DoAction(L"NoDatabase"), 0u);
        Lines lines = session.LinesOf(L"NoDatabase");
        EXPECT_FALSE(lines.empty()) << "the probe did not run";
        // The entry line names a path that differs per run: keep only its start.
        for (std::wstring& line : lines) {
            if (line.find(L"Entering") != std::wstring::npos) line.resize(line.find(L" in "));
        }
        return lines;
    }

    static const Lines kVerboseOn;
    static const Lines kVerboseOff;
};

const Lines RuntimeSession::kVerboseOn = {L"<entry>", L"RuntimeProbe:  verbose line", L"RuntimeProbe:  standard line"};
const Lines RuntimeSession::kVerboseOff = {L"RuntimeProbe:  standard line"};

// The entry line's exact text is checked in RunEntry; here only its place.
Lines MarkEntry(Lines lines) {
    if (!lines.empty() && lines.front().find(L"Entering") != std::wstring::npos) lines.front() = L"<entry>";
    return lines;
}

TEST_F(RuntimeSession, VerboseIsOffWithoutPropertiesOrPolicyAndPublishedSo) {
    EXPECT_EQ(MarkEntry(RunEntry({})), kVerboseOff);
    EXPECT_FALSE(AtomExists(kVerboseAtom));
    EXPECT_TRUE(AtomExists(kNotVerboseAtom));
}

TEST_F(RuntimeSession, LogVerboseTurnsVerboseOnWithTheEntryLineAndPublishesIt) {
    EXPECT_EQ(MarkEntry(RunEntry({{L"LOGVERBOSE", L"1"}})), kVerboseOn);
    EXPECT_TRUE(AtomExists(kVerboseAtom));
    EXPECT_FALSE(AtomExists(kNotVerboseAtom));
    // A later action with a database and another decision turns the atoms round.
    EXPECT_EQ(MarkEntry(RunEntry({})), kVerboseOff);
    EXPECT_FALSE(AtomExists(kVerboseAtom));
    EXPECT_TRUE(AtomExists(kNotVerboseAtom));
}

TEST_F(RuntimeSession, MsiLoggingWithAVTurnsVerboseOn) {
    EXPECT_EQ(MarkEntry(RunEntry({{L"MsiLogging", L"iwearmupv"}})), kVerboseOn);
    EXPECT_EQ(MarkEntry(RunEntry({{L"MsiLogging", L"V"}})), kVerboseOn);
    EXPECT_EQ(MarkEntry(RunEntry({{L"MsiLogging", L"iwearmup"}})), kVerboseOff);
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
}

TEST_F(RuntimeSession, LoggingPolicyWithAVTurnsVerboseOn) {
    const std::uint32_t dwordV = 0x76;  // the bytes of "v" as a UTF-16 text
    struct Case {
        DWORD type;
        std::string bytes;
        Lines lines;
    };
    for (const Case& c :
         {Case{REG_SZ, Utf16Bytes(L"iwearmupv"), kVerboseOn}, Case{REG_SZ, Utf16Bytes(L"iwearmup"), kVerboseOff},
          // 17 characters and a terminator need 36 bytes: more than the 32 read, so no policy.
          Case{REG_SZ, Utf16Bytes(L"iwearmupiwearmupv"), kVerboseOff},
          // Only a REG_SZ is a policy.
          Case{REG_DWORD, std::string(reinterpret_cast<const char*>(&dwordV), sizeof dwordV), kVerboseOff},
          Case{REG_EXPAND_SZ, Utf16Bytes(L"voicewarmup"), kVerboseOff},
          Case{REG_MULTI_SZ, Utf16Bytes(L"voicewarmup") + std::string(2, '\0'), kVerboseOff},
          Case{REG_BINARY, Utf16Bytes(L"v"), kVerboseOff}}) {
        SCOPED_TRACE(c.type);
        LoggingPolicy policy(c.type, c.bytes);
        ASSERT_TRUE(policy.ok());
        EXPECT_EQ(MarkEntry(RunEntry({})), c.lines);
    }
    EXPECT_FALSE(PolicyPresent());
}

TEST_F(RuntimeSession, ActionWithoutDatabaseFollowsTheAtomsAndLeavesThem) {
    // The no-database action runs through a seam at the installer edge: its query for the
    // active database answers 0 (Wine gives every custom action a database).
    RunEntry({{L"LOGVERBOSE", L"1"}});
    ASSERT_TRUE(AtomExists(kVerboseAtom));
    EXPECT_EQ(RunNoDatabase(), (Lines{L"NoDatabase:  Entering NoDatabase", L"NoDatabase:  verbose line",
                                      L"NoDatabase:  standard line"}));
    EXPECT_TRUE(AtomExists(kVerboseAtom));
    EXPECT_FALSE(AtomExists(kNotVerboseAtom));

    RunEntry({});
    ASSERT_TRUE(AtomExists(kNotVerboseAtom));
    // Without a database the properties are not consulted: the atom says off.
    EXPECT_EQ(RunNoDatabase({{L"LOGVERBOSE", L"1"}}), (Lines{L"NoDatabase:  standard line"}));
    EXPECT_FALSE(AtomExists(kVerboseAtom));
    EXPECT_TRUE(AtomExists(kNotVerboseAtom));
}

TEST_F(RuntimeSession, ActionWithoutDatabaseAndWithoutAtomsAsksThePolicy) {
    EXPECT_EQ(RunNoDatabase({{L"LOGVERBOSE", L"1"}}), (Lines{L"NoDatabase:  standard line"}));
    {
        LoggingPolicy policy(L"voicewarmup");
        ASSERT_TRUE(policy.ok());
        EXPECT_EQ(RunNoDatabase(), (Lines{L"NoDatabase:  Entering NoDatabase", L"NoDatabase:  verbose line",
                                          L"NoDatabase:  standard line"}));
    }
    EXPECT_FALSE(AtomExists(kVerboseAtom));
    EXPECT_FALSE(AtomExists(kNotVerboseAtom));
}

TEST_F(RuntimeSession, LogNameOf31CharactersInitialisesAnd32Fails) {
    const std::wstring fits(31, L'N');
    {
        InstallerSession session(ProbePackage({{L"PROBE_LOG_NAME", fits}}));
        ASSERT_TRUE(session.ok()) << Narrow(session.error());
        EXPECT_EQ(session.DoAction(L"LogName"), 1603u);
        EXPECT_EQ(session.LinesOf(fits),
                  (Lines{fits + L":  initialised",
                         fits + L":  Error 0x80004005: the action's own failure after initialisation"}));
    }
    {
        InstallerSession session(ProbePackage({{L"PROBE_LOG_NAME", fits + L"X"}}));
        ASSERT_TRUE(session.ok()) << Narrow(session.error());
        EXPECT_EQ(session.DoAction(L"LogName"), 1603u);
        // The runtime's own line, under the name cut to 31 characters, is the only trace: the
        // action's LogFailure after the failed initialisation stays silent.
        EXPECT_EQ(session.LinesOf(fits),
                  (Lines{fits + L":  Error 0x8007007a: Failed to copy CustomAction log name: " + fits + L"X"}));
    }
}

TEST_F(RuntimeSession, ErrorLineCarriesTheCodeInLowercaseHex) {
    InstallerSession session(ProbePackage());
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"FailureLine"), 1603u);
    EXPECT_EQ(session.LinesOf(L"FailureProbe"),
              (Lines{L"FailureProbe:  Error 0x80070005: Failed to get registry key"}));
}

TEST_F(RuntimeSession, LineOver2047CharactersIsCutAndSent) {
    InstallerSession session(ProbePackage());
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"LongLine"), 0u);
    std::wstring expected = L"LongLine:  ";
    for (int i = 0; expected.size() < 2047; ++i) expected += static_cast<wchar_t>(L'a' + i % 26);
    EXPECT_EQ(session.LinesOf(L"LongLine"), Lines{expected});
}

TEST_F(RuntimeSession, CancelAtALineTurnsTheResultInto1602) {
    InstallerSession session(ProbePackage());
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    session.CancelAt([](const CapturedMessage& m) { return m.isInfo() && m.text == L"CancelProbe:  second line"; });
    UINT result = session.DoAction(L"Cancel");
    ASSERT_TRUE(session.cancelled());
    EXPECT_EQ(result, 1602u);
    // Logging goes on after the cancel; only the result changes.
    EXPECT_EQ(session.LinesOf(L"CancelProbe"),
              (Lines{L"CancelProbe:  first line", L"CancelProbe:  second line", L"CancelProbe:  third line"}));

    // The next action starts without the override.
    session.CancelAt(nullptr);
    EXPECT_EQ(session.DoAction(L"Cancel"), 0u);
}

TEST_F(RuntimeSession, ReadPropertyGrowsReusesAndRejects) {
    const std::wstring longValue = std::wstring(300, L'L') + L"end";
    InstallerSession session(ProbePackage({{L"PROBE_LONG", longValue}, {L"PROBE_SHORT", L"short"}}));
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"ReadProperty"), 0u);
    EXPECT_EQ(session.LinesOf(L"ReadProbe"),
              (Lines{
                  L"ReadProbe:  undefined: 0x0 [] capacity 1",
                  L"ReadProbe:  long after undefined: 0x0 length 303 capacity 304 tail [end]",
                  L"ReadProbe:  short after long: 0x0 [short] capacity 304",
                  L"ReadProbe:  long into an empty slot: 0x0 length 303 capacity 304",
                  L"ReadProbe:  empty name: 0x80070057",
                  L"ReadProbe:  no name: 0x80070057",
                  L"ReadProbe:  no slot: 0x80070057",
              }));
}

TEST_F(RuntimeSession, WritePropertyPassesAnEmptyValueAndRejectsAnEmptyName) {
    InstallerSession session(ProbePackage({{L"PROBE_CLEARED", L"set before"}}));
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"WriteProperty"), 0u);
    EXPECT_EQ(session.LinesOf(L"WriteProbe"),
              (Lines{L"WriteProbe:  empty value: 0x0", L"WriteProbe:  empty name: 0x80070057",
                     L"WriteProbe:  no value: 0x80070057", L"WriteProbe:  value: 0x0"}));
    EXPECT_EQ(session.GetProperty(L"PROBE_CLEARED"), L"");
    EXPECT_EQ(session.GetProperty(L"PROBE_WRITTEN"), L"written \u00e9");
}

TEST_F(RuntimeSession, FrameEndsAnActionWhoseWorkThrowsWithALineOfItsKind) {
    InstallerSession session(ProbePackage());
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"FrameOutOfMemory"), 1603u);
    EXPECT_EQ(session.DoAction(L"FrameUnexpected"), 1603u);
    EXPECT_EQ(session.LinesOf(L"FrameProbe"), (Lines{L"FrameProbe:  Error 0x8007000e: Out of memory",
                                                     L"FrameProbe:  Error 0x8000ffff: Unexpected exception"}));
}

TEST_F(RuntimeSession, UnreadableVersionFailsTheInitialisationWithItsLine) {
    Package package = ProbePackage({{L"LOGVERBOSE", L"1"}});
    package.dllPath = PathBesideTestProgram(L"brimsett_probe_unversioned.dll");
    InstallerSession session(package);
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.DoAction(L"Entry"), 1603u);
    Lines lines = session.LinesOf(L"RuntimeProbe");
    ASSERT_EQ(lines.size(), 1u) << "the probe did not run, or went on after the failure";
    // The code is the platform's converted status for a file without a version resource.
    const std::wstring message = L": Failed to get file version of custom action dll";
    EXPECT_EQ(lines[0].rfind(L"RuntimeProbe:  Error 0x8007", 0), 0u) << Narrow(lines[0]);
    EXPECT_EQ(lines[0].substr(lines[0].size() - message.size()), message) << Narrow(lines[0]);
    EXPECT_EQ(session.GetProperty(L"PROBE_MODULE_PATH"), L"");
}

// Wine unloads the DLL after every custom action; loading it into the test program and calling
// its export with the session's own handle keeps it loaded, as a Windows host process may.
TEST_F(RuntimeSession, VerboseDecisionIsMadeOncePerLoadedLibrary) {
    InstallerSession session(ProbePackage({{L"LOGVERBOSE", L"1"}}));
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    // Freed however the test ends.
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> probe(
        LoadLibraryW(PathBesideTestProgram(L"brimsett_probe.dll").c_str()), &FreeLibrary);
    ASSERT_NE(probe, nullptr);
    using Export = UINT(__stdcall*)(MSIHANDLE);
    auto entry = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(probe.get(), "ProbeEntry")));
    ASSERT_NE(entry, nullptr);

    EXPECT_EQ(entry(session.handle()), 0u);
    EXPECT_EQ(MarkEntry(session.LinesOf(L"RuntimeProbe")), kVerboseOn);

    // The properties now say off, but the library keeps its decision and publishes it again.
    session.SetProperty(L"LOGVERBOSE", L"");
    RemoveAtom(kVerboseAtom);
    session.ClearMessages();
    EXPECT_EQ(entry(session.handle()), 0u);
    EXPECT_EQ(MarkEntry(session.LinesOf(L"RuntimeProbe")), kVerboseOn);
    EXPECT_TRUE(AtomExists(kVerboseAtom));
}

TEST_F(RuntimeSession, CancelOverrideLastsUntilTheNextInitialisation) {
    InstallerSession session(ProbePackage());
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    // Freed however the test ends.
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> probe(
        LoadLibraryW(PathBesideTestProgram(L"brimsett_probe.dll").c_str()), &FreeLibrary);
    ASSERT_NE(probe, nullptr);
    using Export = UINT(__stdcall*)(MSIHANDLE);
    auto cancel = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(probe.get(), "ProbeCancel")));
    auto entry = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(probe.get(), "ProbeEntry")));
    ASSERT_TRUE(cancel && entry);

    session.CancelAt([](const CapturedMessage& m) { return m.isInfo() && m.text == L"CancelProbe:  first line"; });
    EXPECT_EQ(cancel(session.handle()), 1602u);
    ASSERT_TRUE(session.cancelled());
    session.CancelAt(nullptr);
    EXPECT_EQ(entry(session.handle()), 0u);
    EXPECT_EQ(session.LinesOf(L"RuntimeProbe"), kVerboseOff);
}

}  // namespace
}  // namespace brimsett_test
