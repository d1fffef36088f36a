// The loadpoint search and listing, end to end: the real tarnwick.exe against throwaway keys in
// Wine's registry, in the 32-bit view, the 64-bit view and a key the two views share.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "testkit/registry_win.h"
#include "tests/tarnwick_test_support_win.h"
#include "win/scoped_handle.h"

using namespace std::string_literals;

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

const std::string kNoneFound = "No Pro/ENGINEER / Creo loadpoints have been found";
const std::string kXtop32 = "\\i486_nt\\obj\\xtop.exe";
const std::string kXtop64 = "\\x86e_win64\\obj\\xtop.exe";

// The standard-error line of a loadpoint whose folder does not exist.
std::string GoneLine(const std::string& loadpoint) {
    return "Passed over \"" + loadpoint + "\\text\\protk.dat\": its folder does not exist";
}

// Each test gets its own key name under HKLM\SOFTWARE (redirected per view) and HKLM\SYSTEM
// (shared by both views); all of them are deleted, in both views, when the test ends.
class LoadpointSearch : public ::testing::Test {
protected:
    void SetUp() override {
        static unsigned counter = 0;
        unique_ = "TarnwickDiscovery_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        keyList_ = directory_.path() + L"\\keys.txt";
        DeleteAll();
    }
    void TearDown() override {
        DeleteAll();
        for (REGSAM view : {k32, k64}) {
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Widen(Software("")), view));
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Widen(Shared("")), view));
        }
    }

    // Key paths as the key list file and the program name them.
    std::string Software(const std::string& below) const { return "SOFTWARE\\" + unique_ + Below(below); }
    std::string Shared(const std::string& below) const { return "SYSTEM\\" + unique_ + Below(below); }

    void SetValue(REGSAM view, const std::string& keyPath, DWORD type, const void* data, DWORD size,
                  const wchar_t* name = L"InstallDir") {
        ASSERT_TRUE(SetRawValue(HKEY_LOCAL_MACHINE, Widen(keyPath), view, name, type, data, size)) << keyPath;
    }
    // A string value, stored with its terminator as the registry editor stores it.
    void SetInstallDir(REGSAM view, const std::string& keyPath, const std::wstring& text, DWORD type = REG_SZ,
                       const wchar_t* name = L"InstallDir") {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        SetValue(view, keyPath, type, text.c_str(), static_cast<DWORD>(bytes), name);
    }

    void WriteKeyList(const std::string& bytes) { ASSERT_TRUE(WriteFileBytes(keyList_, bytes)); }

    // A loadpoint folder in the test's own folder, created unless `create` is false; its path.
    std::wstring Folder(const std::wstring& name, bool create = true) {
        std::wstring path = directory_.path() + L"\\" + name;
        if (create) {
            EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << Narrow(path);
        }
        return path;
    }

    ProcessResult ListRun() { return RunTarnwick({L"/listxtops", L"/reg:" + keyList_}); }
    ProcessResult RegistrationRun() { return RunTarnwick({L"/name:discovery_test", L"/reg:" + keyList_}); }

    TempFolder directory_;
    std::wstring keyList_;

private:
    static std::string Below(const std::string& below) { return below.empty() ? "" : "\\" + below; }

    void DeleteAll() {
        for (REGSAM view : {k32, k64}) {
            DeleteKeyTree(HKEY_LOCAL_MACHINE, Widen(Software("")), view);
            DeleteKeyTree(HKEY_LOCAL_MACHINE, Widen(Shared("")), view);
        }
    }

    std::string unique_;
};

TEST_F(LoadpointSearch, FindsEachViewIntoItsOwnList) {
    const std::wstring creo9 = Folder(L"Creo 9");
    const std::wstring creo10 = Folder(L"Creo 10");
    SetInstallDir(k32, Software("Creo\\Creo 9"), creo9);
    SetInstallDir(k64, Software("Creo\\Creo 10"), creo10);
    WriteKeyList(Software("Creo") + "\r\n");

    ProcessResult list = ListRun();
    EXPECT_EQ(list.output, Lines({Narrow(creo9) + kXtop32, Narrow(creo10) + kXtop64}));
    EXPECT_EQ(list.exitCode, 0u);

    ProcessResult registration = RegistrationRun();
    EXPECT_EQ(registration.output, Lines({kBanner, kHeading, Narrow(creo9), Narrow(creo10)}));
    EXPECT_EQ(registration.exitCode, 1u);
}

TEST_F(LoadpointSearch, SortsByteWiseAndRemovesDuplicatesAcrossKeys) {
    // Folder names differing only in letter case are one folder to the file system.
    const std::wstring a = Folder(L"a");
    const std::wstring b = Folder(L"b");
    const std::wstring upperB = Folder(L"B", false);
    SetInstallDir(k32, Software("Creo\\A"), b);
    SetInstallDir(k32, Software("Creo\\B"), a + L"\\");
    SetInstallDir(k32, Software("ProE\\A"), b);
    SetInstallDir(k32, Software("ProE\\B"), upperB);
    SetInstallDir(k32, Software("ProE\\C"), Folder(L"\u00e9tude"));  // 0xE9 in the ANSI code page
    SetInstallDir(k32, Software("ProE\\D"), a);
    WriteKeyList(Software("ProE") + "\n" + Software("Creo") + "\n" + Software("ProE") + "\n");

    const std::string root = Narrow(directory_.path());
    EXPECT_EQ(ListRun().output, Lines({root + "\\B" + kXtop32, root + "\\a" + kXtop32, root + "\\a\\" + kXtop32,
                                       root + "\\b" + kXtop32, root + "\\\xE9tude" + kXtop32}));
    EXPECT_EQ(RegistrationRun().output, Lines({kBanner, kHeading, root + "\\B", root + "\\a", root + "\\a\\",
                                               root + "\\b", root + "\\\xE9tude"}));
}

TEST_F(LoadpointSearch, KeySharedByBothViewsFillsBothLists) {
    const std::string shared = Narrow(Folder(L"Shared Creo"));
    SetInstallDir(k64, Shared("Loadpoints\\Creo"), Widen(shared));
    WriteKeyList(Shared("Loadpoints"));

    EXPECT_EQ(ListRun().output, Lines({shared + kXtop32, shared + kXtop64}));
    EXPECT_EQ(RegistrationRun().output, Lines({kBanner, kHeading, shared, shared}));
}

TEST_F(LoadpointSearch, TakesInstallDirVerbatimOrSkipsTheInstallation) {
    const std::wstring fits = L"C:\\" + std::wstring(256, L'F');     // 259 bytes and the NUL
    const std::wstring tooLong = L"C:\\" + std::wstring(257, L'L');  // 260 bytes and the NUL
    const DWORD number = 5;
    SetInstallDir(k64, Software("Creo"), L"C:\\Listed key itself");
    // A reference to a variable the environment does not hold stays as typed.
    SetInstallDir(k64, Software("Creo\\Expand"), L"%TarnwickUnset%\\PTC\\Creo", REG_EXPAND_SZ);
    SetInstallDir(k64, Software("Creo\\Empty"), L"");
    SetInstallDir(k64, Software("Creo\\Fits"), fits);
    SetInstallDir(k64, Software("Creo\\TooLong"), tooLong);
    SetValue(k64, Software("Creo\\Number"), REG_DWORD, &number, sizeof(number));
    SetInstallDir(k64, Software("Creo\\OtherValue"), L"C:\\Other value", REG_SZ, L"Version");
    SetInstallDir(k64, Software("Creo\\Backslash"), L"C:\\Creo\\");
    WriteKeyList(Software("Missing") + "\n" + Software("Creo") + "\n" + "SOFTWARE\\No such key at all\n");

    // None of these folders exists: the list run names each on standard error, verbatim, and
    // leaves out the empty one without a word.
    const std::string fitsText = "C:\\" + std::string(256, 'F');
    const ProcessResult list = ListRun();
    EXPECT_EQ(list.output, "");
    EXPECT_EQ(list.errors, Lines({GoneLine("%TarnwickUnset%\\PTC\\Creo"), GoneLine("C:\\Creo\\"), GoneLine(fitsText)}));
    EXPECT_EQ(RegistrationRun().output,
              Lines({kBanner, kHeading, "", "%TarnwickUnset%\\PTC\\Creo", "C:\\Creo\\", fitsText}));
}

// An environment variable of the test program, which the programs it starts inherit, for as long
// as the object lives.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[1024];
        const DWORD length = GetEnvironmentVariableW(name, old, 1024);
        if (length > 0 && length < 1024) old_ = old;
        had_ = length > 0 && length < 1024;
        EXPECT_TRUE(SetEnvironmentVariableW(name, value.c_str()));
    }
    ~ScopedEnvironmentVariable() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    const wchar_t* name_;
    std::wstring old_;
    bool had_ = false;
};

TEST_F(LoadpointSearch, ExpandsExpandableValuesBeforeListingAndRegistering) {
    const std::wstring root = directory_.path();
    const ScopedEnvironmentVariable variable(L"TW_DISCOVERY_ROOT", root);
    MakeLoadpoint(root, L"Creo");
    MakeLoadpoint(root, L"Common Files");
    SetInstallDir(k64, Software("Creo\\ProE"), L"%TW_DISCOVERY_ROOT%\\Creo", REG_EXPAND_SZ);
    SetInstallDir(k64, Software("Creo\\Creo 7"), L"%TW_DISCOVERY_ROOT%\\Common Files", REG_EXPAND_SZ,
                  L"CommonFilesLocation");
    SetInstallDir(k64, Software("Creo\\Creo 7"), L"%TW_DISCOVERY_ROOT%\\Parametric", REG_EXPAND_SZ);
    WriteKeyList(Software("Creo"));

    const std::string common = Narrow(root) + "\\Common Files";
    const std::string creo = Narrow(root) + "\\Creo";
    EXPECT_EQ(ListRun().output, Lines({common + kXtop64, creo + kXtop64}));
    ProcessResult registration = RunTarnwick({L"/name:discovery_test", L"/exec64:C:\\x64\\d.dll", L"/reg:" + keyList_});
    EXPECT_EQ(registration.output, Lines({kBanner, kHeading, common, creo}));
    const std::string entry =
        "\r\nname discovery_test\r\nexec_file C:\\x64\\d.dll\r\nunicode_encoding false\r\n"
        "delay_start false\r\nallow_stop true\r\nend\r\n";
    for (const std::wstring& loadpoint : {root + L"\\Common Files", root + L"\\Creo"}) {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(loadpoint + L"\\text\\protk.dat", bytes)) << Narrow(loadpoint);
        EXPECT_EQ(bytes, entry);
    }
}

TEST_F(LoadpointSearch, PassesOverASubkeyWhoseNameDoesNotFitAndGoesOn) {
    // The program reads subkey names in its ANSI code page into 260 bytes. In a double-byte code
    // page a name of 200 kanji takes 400 bytes: that subkey alone is passed over. In a single-byte
    // one every name fits (a key name has at most 255 characters), and kanji cannot be named at all.
    CPINFO codePage{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &codePage));
    if (codePage.MaxCharSize < 2) {
        GTEST_SKIP() << "shown only in a double-byte ANSI code page (code page " << GetACP()
                     << " here; under Wine run the test program with LC_ALL=ja_JP.UTF-8 for code page 932)";
    }
    const std::wstring listed = Widen(Software("Creo")) + L"\\";
    for (const auto& [installation, directory] : {std::pair<std::wstring, std::wstring>{L"A", L"C:\\Before"},
                                                  {std::wstring(200, L'\u65E5'), L"C:\\Long"},
                                                  {L"\u672C", L"C:\\\u672C"}}) {
        ASSERT_TRUE(SetRawValue(HKEY_LOCAL_MACHINE, listed + installation, k64, L"InstallDir", REG_SZ,
                                directory.c_str(), static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t))));
    }
    WriteKeyList(Software("Creo"));
    EXPECT_EQ(ListRun().output, Lines({"C:\\Before" + kXtop64, Narrow(L"C:\\\u672C") + kXtop64}));
}

// The list run names only installations that are there: a loadpoint whose folder is gone is named
// on standard error, as the registration run names it, and an empty one is left out. A folder
// without xtop.exe is listed. The registration run's listing names all three.
TEST_F(LoadpointSearch, ListRunNamesOnlyLoadpointsThatAreThere) {
    const std::string gone = Narrow(Folder(L"Gone", false));
    const std::string there = Narrow(Folder(L"There"));
    SetInstallDir(k64, Software("Creo\\Gone"), Widen(gone));
    SetInstallDir(k64, Software("Creo\\There"), Widen(there));
    SetInstallDir(k64, Software("Creo\\Empty"), L"");
    WriteKeyList(Software("Creo") + "\n");

    const ProcessResult list = ListRun();
    EXPECT_EQ(list.output, Lines({there + kXtop64}));
    EXPECT_EQ(list.errors, Lines({GoneLine(gone)}));
    EXPECT_EQ(list.exitCode, 0u);
    EXPECT_EQ(RegistrationRun().output, Lines({kBanner, kHeading, "", gone, there}));
}

// A loadpoint folder that is a junction is there while its target is. Shown only on Windows: Wine 8
// makes no junction (mklink /J fails), and a Unix symbolic link in the prefix shows no reparse
// point at all.
TEST_F(LoadpointSearch, ListRunLooksThroughAJunctionAtItsTarget) {
    const std::wstring target = Folder(L"Target");
    const std::wstring junction = Folder(L"Junction", false);
    const bool made =
        RunProcess(L"C:\\windows\\system32\\cmd.exe", {L"/c", L"mklink", L"/J", junction, target}).exitCode == 0;
    const DWORD attributes = GetFileAttributesW(junction.c_str());
    if (!made || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "no junction can be made here (Wine 8 makes none): shown only on Windows";
    }
    SetInstallDir(k64, Software("Creo\\Linked"), junction);
    WriteKeyList(Software("Creo") + "\n");

    EXPECT_EQ(ListRun().output, Lines({Narrow(junction) + kXtop64}));
    ASSERT_TRUE(RemoveDirectoryW(target.c_str()));
    const ProcessResult gone = ListRun();
    EXPECT_EQ(gone.output, "");
    EXPECT_EQ(gone.errors, Lines({GoneLine(Narrow(junction))}));
    RemoveDirectoryW(junction.c_str());
}

TEST_F(LoadpointSearch, NothingFound) {
    WriteKeyList(Software("Missing") + "\n" + Shared("Missing") + "\n");
    ProcessResult list = ListRun();
    EXPECT_EQ(list.output, "");
    EXPECT_EQ(list.exitCode, 0u);
    ProcessResult registration = RegistrationRun();
    EXPECT_EQ(registration.output, Lines({kBanner, kNoneFound}));
    EXPECT_EQ(registration.exitCode, 1u);

    // No key list file at all: missing, a directory, or /reg without a value.
    SetInstallDir(k32, Software("Creo\\A"), L"C:\\A");
    for (const std::wstring& reg : {L"/reg:" + directory_.path() + L"\\absent.txt", L"/reg:" + directory_.path()}) {
        EXPECT_EQ(RunTarnwick({L"/listxtops", reg}).output, "");
        EXPECT_EQ(RunTarnwick({L"/name:x", reg}).output, Lines({kBanner, kNoneFound}));
    }
    EXPECT_EQ(RunTarnwick({L"/listxtops", L"/reg"}).output, "");
}

TEST_F(LoadpointSearch, ReadsTheKeyListFileAsBytesWhileOthersHoldIt) {
    SetInstallDir(k32, Software("Bom\\A"), L"C:\\Bom");
    SetInstallDir(k32, Software("Cut\\A"), L"C:\\Cut");
    const std::wstring late = Folder(L"Late");
    SetInstallDir(k32, Software("Late\\A"), late);
    // A byte-order mark stays part of the first key path, a key path holding a NUL names no key
    // (it is not cut at the NUL), and a Ctrl-Z line does not end the file.
    WriteKeyList("\xEF\xBB\xBF" + Software("Bom") + "\r\n" + Software("Cut") + "\0tail\r\n"s + "\x1A\r\n" +
                 Software("Late"));

    // Held for writing and deleting: the program must share both to get in.
    const DWORD holderAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
    const win::FileHandle holder(CreateFileW(keyList_.c_str(), holderAccess,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(ListRun().output, Lines({Narrow(late) + kXtop32}));
}

}  // namespace
}  // namespace tarnwick::e2e
