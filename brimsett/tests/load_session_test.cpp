// Load tests of the real brimsett.dll in installer sessions: installer properties of 100,000
// characters, and a UserSID, a class identifier and a product name of 1,000 characters. Nothing
// may crash, nothing may be written but the intended keys, and no existing key may be lost,
// in particular none that a path cut to its buffer would have named.
//
// Each case appends what it held to "robustness-figures.txt" in the working folder; the test
// command gathers them into build/figures.
#include <gtest/gtest.h>

#include <cstdio>

#include "testkit/files_win.h"
#include "testkit/registry_win.h"
#include "tests/session_support_win.h"

namespace brimsett_test {

using namespace testkit;
namespace {

constexpr std::size_t kHuge = 100000;
const std::wstring kUserData = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";
const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void RecordFigure(const std::string& text) {
    if (FILE* file = std::fopen("robustness-figures.txt", "a")) {
        (void)std::fprintf(file, "%s\n", text.c_str());
        (void)std::fclose(file);
    }
}

// A text of `length` characters made of key-name pieces of at most 200 characters joined by
// backslashes, so that every prefix of it is a path that could name a real key.
std::wstring PathText(const std::wstring& start, std::size_t length) {
    std::wstring text = start;
    while (text.size() < length) {
        text += L'\\';
        text += std::wstring(std::min<std::size_t>(200, length - text.size()),
                             static_cast<wchar_t>(L'a' + text.size() % 26));
    }
    return text.substr(0, length);
}

// Every line an action writes begins with its log name, and none is longer than the log allows.
void ExpectWellFormed(const ActionRun& run, const std::wstring& logName) {
    for (const std::wstring& line : run.lines) {
        EXPECT_EQ(line.compare(0, logName.size() + 3, logName + L":  "), 0) << "line of " << line.size();
        EXPECT_LE(line.size(), 2047u);
    }
}

TEST(LoadSession, HugeAndLongUserSidDeletesNoOtherKey) {
    const std::wstring sid = UniqueName(L"S-1-5-21-9");
    ScopedKey userKey(HKEY_LOCAL_MACHINE, kUserData + sid, kOwn);
    // The user's own components and a key that a component path cut to 499 characters names.
    const std::wstring components = kUserData + sid + L"\\Components";
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, components + L"\\11111111111111111111111111111111", kOwn));
    const std::wstring longSid = PathText(sid, 1000);
    const std::wstring cutTarget = (kUserData + longSid).substr(0, 499);
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, cutTarget, kOwn));

    for (const std::wstring& userSid : {longSid, PathText(sid, kHuge), std::wstring(kHuge, L'S')}) {
        const ActionRun run = RunExport(L"RemoveExtraRegKey", L"RemoveExtraRegKey", {{L"UserSID", userSid}});
        ASSERT_EQ(run.error, L"");
        EXPECT_EQ(run.result, 0u);
        EXPECT_EQ(run.lines, Lines{L"RemoveExtraRegKey:  Initialized."});
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, cutTarget, kOwn));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, components + L"\\11111111111111111111111111111111", kOwn));
    }
    RecordFigure("RemoveExtraRegKey with a UserSID of 1000 and 100000 characters: result 0, no key deleted");
}

TEST(LoadSession, HugeTempDirCreatesNothing) {
    TempFolder folder;
    for (const std::wstring& tempDir :
         {folder.path() + L"\\" + std::wstring(kHuge, L't'), L"%TEMP%\\" + std::wstring(kHuge, L'u'),
          std::wstring(kHuge / 4, L'%') + L"TEMP"}) {
        const ActionRun run = RunExport(L"CreateTempDir", L"CreateTempDir", {{L"TEMPDIR", tempDir}});
        ASSERT_EQ(run.error, L"");
        EXPECT_EQ(run.result, 0u);
        EXPECT_EQ(run.lines, Lines{L"CreateTempDir:  Initialized."});
    }
    EXPECT_EQ(ListDirectory(folder.path()), std::vector<std::wstring>());
    RecordFigure("CreateTempDir with a TEMPDIR of 100000 characters: result 0, nothing created");
}

class LoadDetection : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WriteFileBytes(exe_, "MZ")); }
    ActionRun Detect(const std::wstring& clsid) {
        return RunExport(L"CheckForPelliton", L"CheckForCADApplication",
                         {{L"PELLITON_CLSID", clsid}, {L"PELLITON_LOCATION", L"untouched"}}, {L"PELLITON_LOCATION"});
    }
    TempFolder folder_;
    const std::wstring exe_ = folder_.path() + L"\\pelliton.exe";
    const std::wstring guid_ = NewGuidText();
    ScopedKey class_{HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + guid_, k64};
};

TEST_F(LoadDetection, LongAndHugeClassIdentifiersFindNoCutKey) {
    // A class identifier of 1,000 characters whose whole key exists, and another server at the
    // key that "CLSID\<id>\LocalServer32" cut to 499 characters would name.
    const std::wstring clsid = PathText(guid_ + L"\\LocalServer32", 1000);
    const std::wstring cutPath = (L"CLSID\\" + clsid + L"\\LocalServer32").substr(0, 499);
    const std::wstring other = folder_.path() + L"\\other.exe";
    ASSERT_TRUE(WriteFileBytes(other, "MZ"));
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + cutPath, k64, nullptr, other));
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + clsid + L"\\LocalServer32", k64,
                               nullptr, exe_ + L" /automation"));
    const ActionRun whole = Detect(clsid);
    ASSERT_EQ(whole.error, L"");
    EXPECT_EQ(whole.result, 0u);
    EXPECT_EQ(whole.Property(L"PELLITON_LOCATION"), exe_);
    ASSERT_EQ(whole.lines.size(), 2u);
    EXPECT_EQ(whole.lines[0],
              L"CheckForCADApplication:  Getting registry value CLSID\\" + clsid + L"\\LocalServer32\\(Default)");
    ExpectWellFormed(whole, L"CheckForCADApplication");

    // 100,000 characters name no key the registry can hold.
    for (const std::wstring& id : {PathText(guid_, kHuge), std::wstring(kHuge, L'{')}) {
        const ActionRun run = Detect(id);
        ASSERT_EQ(run.error, L"");
        // The registry refuses such a path as absent (0, no line) or otherwise (1603 and the
        // error line); either way the location stays untouched.
        EXPECT_TRUE(run.result == 0u || run.result == 1603u) << run.result;
        EXPECT_EQ(run.lines.size(), run.result == 1603u ? 1u : 0u);
        ExpectWellFormed(run, L"CheckForCADApplication");
        EXPECT_EQ(run.Property(L"PELLITON_LOCATION"), L"untouched");
    }
    RecordFigure(
        "CheckForPelliton with a class identifier of 1000 characters: found whole, the cut path's server not "
        "read; of 100000 characters: location untouched");
}

class LoadReset : public ::testing::Test {
protected:
    Properties All() const {
        return {{L"PRODUCT_INSTALLDIR", installDir_},
                {L"PRODUCT_REGKEY", root_ + L"\\Product"},
                {L"PRODUCT_ENV_REGKEY", root_ + L"\\Environment"},
                {L"GLOBPRODUCTCODE", code_},
                {L"GLOBPRODUCTNAME", name_},
                {L"PRODUCT_ABBR", abbreviation_},
                {L"PRODUCT_LOCALE_NAME", L"PRODUCT_LOCALE"}};
    }
    std::wstring Command() const {
        return L"\"" + installDir_ + L"Setup\\Setup.exe\" /P " + code_ + L" /M " + abbreviation_ + L" /LANG en-US";
    }
    const std::wstring root_ = L"Software\\BrimsettTests\\" + UniqueName(L"load");
    ScopedKey rootKey_{HKEY_LOCAL_MACHINE, root_, k64};
    std::wstring installDir_ = L"C:\\Program Files\\Load\\";
    std::wstring code_ = L"{4A2B9E1C-0D3F-4E5A-8B6C-7D8E9F0A1B2C}";
    std::wstring abbreviation_ = L"LD";
    std::wstring name_ = UniqueName(L"Load Product");
};

TEST_F(LoadReset, HugeTextsGoWholeIntoTheirOwnKeys) {
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale", L"de-DE"));
    installDir_ = L"C:\\" + std::wstring(kHuge, L'd') + L"\\";
    code_ = std::wstring(kHuge, L'c');
    abbreviation_ = std::wstring(kHuge, L'a');
    // A product name of 1,000 characters; the key that its path cut to 199 characters names.
    name_ = PathText(UniqueName(L"Load"), 1000);
    ScopedKey uninstall(HKEY_LOCAL_MACHINE, kUninstall + name_, k64);
    const std::wstring cutPath = (kUninstall + name_).substr(0, 199);
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, cutPath, k64, L"Keep", L"me"));

    const ActionRun run = RunExport(L"ResetLangToDefault", L"ResetLangToDefault", All());
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    ExpectWellFormed(run, L"ResetLangToDefault");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale"), L"en-US");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstall.path(), k64, L"UninstallString"), Command());
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstall.path(), k64, L"UninstallPath"), Command());
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, cutPath, k64, L"Keep"), L"me");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, cutPath, k64, L"UninstallString"), std::nullopt);
    RecordFigure("ResetLangToDefault with an uninstall command of " + std::to_string(Command().size()) +
                 " characters and a product name of 1000: written whole, no cut key touched");
}

TEST_F(LoadReset, HugeKeyPathsAndProductNameWriteNothing) {
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale", L"de-DE"));
    name_ = std::wstring(kHuge, L'n');
    Properties properties = All();
    for (auto& property : properties) {
        if (property.first == L"PRODUCT_ENV_REGKEY") property.second = PathText(root_, kHuge);
    }
    const ActionRun run = RunExport(L"ResetLangToDefault", L"ResetLangToDefault", properties);
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    // The product key is still reset; the environment and uninstall keys cannot exist.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale"), L"en-US");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, k64, L"UninstallString"), std::nullopt);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, root_, k64, L"PRODUCT_LOCALE"), std::nullopt);

    // A product key path of 100,000 characters is skipped.
    for (auto& property : properties) {
        if (property.first == L"PRODUCT_REGKEY") property.second = PathText(root_ + L"\\Product", kHuge);
    }
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale", L"de-DE"));
    const ActionRun again = RunExport(L"ResetLangToDefault", L"ResetLangToDefault", properties);
    EXPECT_EQ(again.result, 0u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, root_ + L"\\Product", k64, L"Locale"), L"de-DE");
    RecordFigure(
        "ResetLangToDefault with key paths and a product name of 100000 characters: result 0, nothing written");
}

}  // namespace
}  // namespace brimsett_test
