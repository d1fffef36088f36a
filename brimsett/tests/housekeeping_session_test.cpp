// RemoveExtraRegKey, CreateTempDir and ResetLangToDefault of the real brimsett.dll in installer
// sessions, each case with keys and folders of its own.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "testkit/files_win.h"
#include "testkit/registry_win.h"
#include "tests/session_support_win.h"
#include "win/registry_key.h"
#include "win/scoped_handle.h"

namespace brimsett_test {

using namespace testkit;
namespace {

// ---- RemoveExtraRegKey ----

const std::wstring kUserData = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";
const std::wstring kComponent = L"\\Components\\AD95649F068525549B26938D7D18FEA7";

class RemoveExtraRegKeyTest : public ::testing::Test {
protected:
    ActionRun Remove(const std::wstring& sid) {
        return RunExport(L"RemoveExtraRegKey", L"RemoveExtraRegKey", {{L"UserSID", sid}});
    }
    const std::wstring sid_ = UniqueName(L"S-1-5-21-7");
    // The user's whole test subtree in the module's own (32-bit) view, removed afterwards.
    ScopedKey userKey_{HKEY_LOCAL_MACHINE, kUserData + sid_, kOwn};
    const Lines initialized_{L"RemoveExtraRegKey:  Initialized."};
};

TEST_F(RemoveExtraRegKeyTest, DeletesTheComponentKeyInTheModulesOwnView) {
    std::wstring component = kUserData + sid_ + kComponent;
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, component, kOwn));
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, component, kOwn, L"00", L"C:\\x.dll"));
    ActionRun run = Remove(sid_);
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, component, kOwn));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUserData + sid_ + L"\\Components", kOwn));
}

TEST_F(RemoveExtraRegKeyTest, AbsentOrUndeletableKeyIsPassedOver) {
    ActionRun run = Remove(sid_);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);

    // A key with subkeys is not deleted.
    std::wstring component = kUserData + sid_ + kComponent;
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, component + L"\\Sub", kOwn));
    run = Remove(sid_);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, component + L"\\Sub", kOwn));
}

TEST_F(RemoveExtraRegKeyTest, LongUserSidNeverDeletesTheKeyItsCutPathNames) {
    // Cut at 499 characters the component path would name <sid>\<a>\<b>, which exists.
    std::wstring a(200, L'a'), b(499 - kUserData.size() - sid_.size() - 202, L'b');
    std::wstring cutTarget = kUserData + sid_ + L"\\" + a + L"\\" + b;
    ASSERT_EQ(cutTarget.size(), 499u);
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, cutTarget, kOwn));
    ActionRun run = Remove(sid_ + L"\\" + a + L"\\" + b + L"-more");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, cutTarget, kOwn));
}

// ---- CreateTempDir ----

// Makes `junction` a junction (mount point) to the folder `target`. Empty when the platform shows
// the result as a reparse point, else why not.
std::string MakeJunction(const std::wstring& junction, const std::wstring& target) {
    if (!CreateDirectoryW(junction.c_str(), nullptr)) return "the junction's folder cannot be made";
    const std::wstring substitute = L"\\??\\" + target;
    std::vector<wchar_t> names(substitute.begin(), substitute.end());
    names.push_back(L'\0');
    names.insert(names.end(), target.begin(), target.end());
    names.push_back(L'\0');
    // The mount-point layout: tag, data length, reserved; substitute name offset and length,
    // print name offset and length (bytes); then the names.
    const WORD pathBytes = static_cast<WORD>(names.size() * sizeof(wchar_t));
    std::vector<BYTE> buffer(16 + pathBytes);
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD header[6] = {static_cast<WORD>(8 + pathBytes),
                            0,
                            0,
                            static_cast<WORD>(substitute.size() * sizeof(wchar_t)),
                            static_cast<WORD>((substitute.size() + 1) * sizeof(wchar_t)),
                            static_cast<WORD>(target.size() * sizeof(wchar_t))};
    std::memcpy(buffer.data(), &tag, sizeof tag);
    std::memcpy(buffer.data() + 4, header, sizeof header);
    std::memcpy(buffer.data() + 16, names.data(), pathBytes);
    win::FileHandle handle(CreateFileW(junction.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD returned = 0;
    if (!handle.valid() || !DeviceIoControl(handle.get(), FSCTL_SET_REPARSE_POINT, buffer.data(),
                                            static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr))
        return "FSCTL_SET_REPARSE_POINT fails with error " + std::to_string(GetLastError());
    (void)handle.Reset();
    const DWORD attributes = GetFileAttributesW(junction.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return "no reparse point is read back";
    return "";
}

// Makes the Users group the folder's owner, with the restore privilege that setting another
// owner than oneself needs. Empty when the owner read back is that group, else why not.
std::string GiveToTheUsersGroup(const std::wstring& folder) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened))
        return "the process token cannot be opened";
    const win::KernelHandle token(opened);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) || GetLastError() != ERROR_SUCCESS)
        return "the restore privilege is not held (an elevated run has it)";
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof users;
    if (!CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size)) return "no SID for the Users group";
    std::wstring path = folder;
    if (SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, users, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
        return "the owner cannot be set";
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return "the owner cannot be read back";
    const bool given = owner != nullptr && EqualSid(owner, users);
    LocalFree(descriptor);
    return given ? "" : "the owner set is reported as set, but another one is read back";
}

class CreateTempDirTest : public ::testing::Test {
protected:
    ActionRun Create(const std::wstring& tempDir) {
        return RunExport(L"CreateTempDir", L"CreateTempDir", {{L"TEMPDIR", tempDir}});
    }
    bool FolderIsEmpty() { return ListDirectory(folder_.path()).empty(); }
    TempFolder folder_;
    const Lines initialized_{L"CreateTempDir:  Initialized."};
};

TEST_F(CreateTempDirTest, ExpandsEnvironmentReferences) {
    // The folder lies in the temporary folder, which %TEMP% names in the action's process too.
    std::wstring leaf = folder_.path().substr(folder_.path().rfind(L'\\') + 1);
    ActionRun run = Create(L"%TEMP%\\" + leaf + L"\\made");
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(DirectoryExists(folder_.path() + L"\\made"));
}

TEST_F(CreateTempDirTest, ExistingDirectoryOrMissingParentStillSucceeds) {
    ActionRun run = Create(folder_.path());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(DirectoryExists(folder_.path()));

    run = Create(folder_.path() + L"\\missing\\child");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(FolderIsEmpty());
}

TEST_F(CreateTempDirTest, NameTakenByAFileIsRefused) {
    const std::wstring taken = folder_.path() + L"\\taken";
    ASSERT_TRUE(WriteFileBytes(taken, "x"));
    ActionRun run = Create(taken);
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines,
              (Lines{L"CreateTempDir:  Initialized.", L"CreateTempDir:  Error 0x800700b7: Failed to create TEMPDIR"}));
}

// Shown only on Windows: Wine 8 makes no junctions (FSCTL_SET_REPARSE_POINT fails with error 50).
TEST_F(CreateTempDirTest, JunctionMadeFirstIsRefusedAndNothingIsCreatedThroughIt) {
    const std::wstring target = folder_.path() + L"\\target";
    const std::wstring junction = folder_.path() + L"\\junction";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    if (std::string why = MakeJunction(junction, target); !why.empty())
        GTEST_SKIP() << "shown only on Windows: this platform makes no junctions (" << why << "; Wine 8 has none)";
    ActionRun run = Create(junction);
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines,
              (Lines{L"CreateTempDir:  Initialized.", L"CreateTempDir:  Error 0x8007112b: Failed to create TEMPDIR"}));
    EXPECT_TRUE(ListDirectory(target).empty());
    RemoveDirectoryW(junction.c_str());  // the link itself, not its target
}

// Shown only on Windows: Wine keeps no file owners (the owner set is reported as set, and the
// user's own is read back). Setting another owner needs the restore privilege: an elevated run.
TEST_F(CreateTempDirTest, DirectoryOwnedByAnotherUserIsRefused) {
    const std::wstring foreign = folder_.path() + L"\\foreign";
    ASSERT_TRUE(CreateDirectoryW(foreign.c_str(), nullptr));
    if (std::string why = GiveToTheUsersGroup(foreign); !why.empty())
        GTEST_SKIP() << "shown only on Windows, elevated: " << why << " (Wine 8 keeps no file owners)";
    ActionRun run = Create(foreign);
    EXPECT_EQ(run.result, 1603u);
    EXPECT_EQ(run.lines,
              (Lines{L"CreateTempDir:  Initialized.", L"CreateTempDir:  Error 0x8007051b: Failed to create TEMPDIR"}));
}

TEST_F(CreateTempDirTest, ExpansionThatDoesNotFitCreatesNothing) {
    // 249 characters fit the 250-character buffer; 250 do not, and no cut path is created.
    std::wstring base = folder_.path() + L"\\";
    std::wstring fits = base + std::wstring(240 - base.size(), L'f');
    ActionRun run = Create(fits);
    EXPECT_EQ(run.result, 0u);
    EXPECT_TRUE(DirectoryExists(fits));
    RemoveDirectoryW(fits.c_str());

    std::wstring tooLong = base + std::wstring(250 - base.size(), L'g');
    run = Create(tooLong);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, initialized_);
    EXPECT_TRUE(FolderIsEmpty());
}

// ---- ResetLangToDefault ----

const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class ResetLangTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, productKey_, k64));
        ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, productKey_, k64, L"Locale", L"de-DE"));
        ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, environmentKey_, k64, kLocaleName, L"DEU"));
        ASSERT_TRUE(uninstall_.created());
    }
    Properties AllProperties() const {
        return {
            {L"PRODUCT_INSTALLDIR", installDir_},     {L"PRODUCT_REGKEY", productKey_},
            {L"PRODUCT_ENV_REGKEY", environmentKey_}, {L"GLOBPRODUCTCODE", L"{4A2B9E1C-0D3F-4E5A-8B6C-7D8E9F0A1B2C}"},
            {L"GLOBPRODUCTNAME", productName_},       {L"PRODUCT_ABBR", L"PRD"},
            {L"PRODUCT_LOCALE_NAME", kLocaleName}};
    }
    static Properties Without(Properties properties, const std::wstring& name) {
        std::erase_if(properties, [&](const auto& p) { return p.first == name; });
        return properties;
    }
    static Properties With(Properties properties, const std::wstring& name, const std::wstring& value) {
        for (auto& p : properties)
            if (p.first == name) p.second = value;
        return properties;
    }
    ActionRun Reset(const Properties& properties) {
        return RunExport(L"ResetLangToDefault", L"ResetLangToDefault", properties);
    }
    std::optional<std::wstring> Product(const wchar_t* name) const {
        return ReadString(HKEY_LOCAL_MACHINE, productKey_, k64, name);
    }
    std::optional<std::wstring> Uninstall(const wchar_t* name) const {
        return ReadString(HKEY_LOCAL_MACHINE, uninstall_.path(), k64, name);
    }
    std::optional<std::wstring> Environment() const {
        return ReadString(HKEY_LOCAL_MACHINE, environmentKey_, k64, kLocaleName);
    }
    std::wstring Command() const {
        return L"\"" + installDir_ + L"Setup\\Setup.exe\" /P {4A2B9E1C-0D3F-4E5A-8B6C-7D8E9F0A1B2C} /M PRD /LANG en-US";
    }

    static constexpr const wchar_t* kLocaleName = L"PRODUCT_LOCALE";
    const std::wstring root_ = L"Software\\BrimsettTests\\" + UniqueName(L"product");
    ScopedKey rootKey_{HKEY_LOCAL_MACHINE, root_, k64};
    const std::wstring productKey_ = root_ + L"\\Product";
    const std::wstring environmentKey_ = root_ + L"\\Environment";
    const std::wstring productName_ = UniqueName(L"Brimsett Test Product");
    ScopedKey uninstall_{HKEY_LOCAL_MACHINE, kUninstall + productName_, k64};
    std::wstring installDir_ = L"C:\\Program Files\\Brimsett Test\\";
};

TEST_F(ResetLangTest, WritesEveryValueWithItsExactSizeInThe64BitView) {
    ActionRun run = Reset(AllProperties());
    ASSERT_EQ(run.error, L"");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    struct Expected {
        std::wstring key;
        const wchar_t* name;
        std::wstring text;
    };
    for (const Expected& e :
         {Expected{productKey_, L"Locale", L"en-US"}, Expected{productKey_, L"Language", L"English"},
          Expected{productKey_, L"EulaFile", L"English.rtf"}, Expected{environmentKey_, kLocaleName, L"ENU"},
          Expected{uninstall_.path(), L"UninstallString", Command()},
          Expected{uninstall_.path(), L"UninstallPath", Command()}}) {
        SCOPED_TRACE(e.name);
        auto value = ReadValue(HKEY_LOCAL_MACHINE, e.key, k64, e.name);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value->size, (e.text.size() + 1) * 2);
        EXPECT_EQ(value->bytesAsText, e.text + L'\0');
    }
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, productKey_, k64, L"Locale")->size, 12u);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, environmentKey_, k64, kLocaleName)->size, 8u);
    // Nothing went into the 32-bit view.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, productKey_, k32));
}

TEST_F(ResetLangTest, AbsentProductKeyChangesNothing) {
    ActionRun run = Reset(With(AllProperties(), L"PRODUCT_REGKEY", root_ + L"\\Missing"));
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(Product(L"Locale"), L"de-DE");
    EXPECT_EQ(Environment(), L"DEU");
    EXPECT_EQ(Uninstall(L"UninstallString"), std::nullopt);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, root_ + L"\\Missing", k64));
}

TEST_F(ResetLangTest, AbsentUninstallKeyLeavesTheUninstallValuesUnwritten) {
    std::wstring missing = UniqueName(L"Brimsett Missing Product");
    ActionRun run = Reset(With(AllProperties(), L"GLOBPRODUCTNAME", missing));
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(Product(L"Locale"), L"en-US");
    EXPECT_EQ(Product(L"Language"), L"English");
    EXPECT_EQ(Product(L"EulaFile"), L"English.rtf");
    EXPECT_EQ(Environment(), L"ENU");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + missing, k64));
}

TEST_F(ResetLangTest, EnvironmentKeyWithoutTheLocaleValueStaysUnchanged) {
    ActionRun run = Reset(With(AllProperties(), L"PRODUCT_LOCALE_NAME", L"OTHER_LOCALE"));
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, environmentKey_, k64, L"OTHER_LOCALE"), std::nullopt);
    EXPECT_EQ(Environment(), L"DEU");
    EXPECT_EQ(Uninstall(L"UninstallString"), Command());
    EXPECT_EQ(Uninstall(L"UninstallPath"), Command());
}

TEST_F(ResetLangTest, ProductKeyThatCannotBeOpenedIsSkipped) {
    ASSERT_TRUE(DenyAccess(HKEY_LOCAL_MACHINE, productKey_, k64));
    ActionRun run = Reset(AllProperties());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(Environment(), L"ENU");
    EXPECT_EQ(Uninstall(L"UninstallString"), Command());
    ASSERT_TRUE(AllowAccess(HKEY_LOCAL_MACHINE, productKey_, k64));
    EXPECT_EQ(Product(L"Locale"), L"de-DE");
    EXPECT_EQ(Product(L"Language"), std::nullopt);
}

TEST_F(ResetLangTest, EmptyProductKeyPathWritesNothingAnywhere) {
    ActionRun run = Reset(Without(AllProperties(), L"PRODUCT_REGKEY"));
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, L"", k64, L"Language"), std::nullopt);
    EXPECT_EQ(Environment(), L"DEU");
    EXPECT_EQ(Uninstall(L"UninstallString"), std::nullopt);
}

TEST_F(ResetLangTest, EmptyEnvironmentKeyPathIsSkipped) {
    // A locale value at the root of HKEY_LOCAL_MACHINE, where an empty path would point.
    std::wstring rootValue = UniqueName(L"BrimsettLocale");
    if (!SetStringValue(HKEY_LOCAL_MACHINE, L"", k64, rootValue.c_str(), L"DEU"))
        GTEST_SKIP() << "the registry refuses values at the root of HKEY_LOCAL_MACHINE";
    ActionRun run = Reset(With(Without(AllProperties(), L"PRODUCT_ENV_REGKEY"), L"PRODUCT_LOCALE_NAME", rootValue));
    auto atRoot = ReadString(HKEY_LOCAL_MACHINE, L"", k64, rootValue.c_str());
    win::RegistryKey root;
    if (root.Open(HKEY_LOCAL_MACHINE, static_cast<const wchar_t*>(nullptr), KEY_SET_VALUE | k64) == ERROR_SUCCESS)
        RegDeleteValueW(root.get(), rootValue.c_str());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(atRoot, L"DEU");
    EXPECT_EQ(Product(L"Locale"), L"en-US");
    EXPECT_EQ(Uninstall(L"UninstallString"), Command());
}

TEST_F(ResetLangTest, EmptyProductNameLeavesTheListOfInstalledProgramsAlone) {
    ActionRun run = Reset(Without(AllProperties(), L"GLOBPRODUCTNAME"));
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(Product(L"Locale"), L"en-US");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, k64, L"UninstallString"), std::nullopt);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, k64, L"UninstallPath"), std::nullopt);
}

TEST_F(ResetLangTest, QuotedCommandAroundItsOld200CharacterBoundIsWrittenWhole) {
    // The quotes count: 199 characters filled the old 200-character buffer, 200 and 201 would
    // have been cut. Each is written whole, the program's path between its quotes.
    installDir_.clear();
    const std::size_t fixed = Command().size() + std::wstring(L"C:\\Program Files\\\\").size();
    for (std::size_t length : {std::size_t{199}, std::size_t{200}, std::size_t{201}}) {
        SCOPED_TRACE(length);
        installDir_ = L"C:\\Program Files\\" + std::wstring(length - fixed, L'q') + L"\\";
        ASSERT_EQ(Command().size(), length);
        ActionRun run = Reset(With(AllProperties(), L"PRODUCT_INSTALLDIR", installDir_));
        EXPECT_EQ(run.result, 0u);
        EXPECT_EQ(run.lines, Lines{});
        EXPECT_EQ(Uninstall(L"UninstallString"), Command());
        EXPECT_EQ(Uninstall(L"UninstallPath"), Command());
        EXPECT_TRUE(Command().starts_with(L"\"" + installDir_ + L"Setup\\Setup.exe\" /P "));
    }
}

TEST_F(ResetLangTest, LongTextsAreWrittenWholeIntoTheirOwnKeys) {
    // An install directory of 250 characters: the command is never cut.
    installDir_ = L"C:\\" + std::wstring(246, L'd') + L"\\";
    ASSERT_EQ(installDir_.size(), 250u);
    // Cut at 199 characters the uninstall key path would name this other key.
    std::wstring cutName = productName_.substr(0, 0) + std::wstring(199 - kUninstall.size(), L'n');
    ScopedKey cutKey(HKEY_LOCAL_MACHINE, kUninstall + cutName, k64);
    ScopedKey longKey(HKEY_LOCAL_MACHINE, kUninstall + cutName + L"-" + productName_, k64);
    ActionRun run = Reset(With(With(AllProperties(), L"PRODUCT_INSTALLDIR", installDir_), L"GLOBPRODUCTNAME",
                               cutName + L"-" + productName_));
    EXPECT_EQ(run.result, 0u);
    auto command = ReadString(HKEY_LOCAL_MACHINE, longKey.path(), k64, L"UninstallString");
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(*command, Command());
    EXPECT_TRUE(command->ends_with(L" /LANG en-US"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, longKey.path(), k64, L"UninstallPath"), Command());
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, cutKey.path(), k64, L"UninstallString"), std::nullopt);
}

}  // namespace
}  // namespace brimsett_test
