// A real install under Wine: msiexec installs a product package whose sequences run the five
// actions of brimsett.dll, and the test checks the installer log, the effect of the location
// properties on the package's conditions, and the registry afterwards.
#include <gtest/gtest.h>

#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "testkit/registry_win.h"
#include "tests/product_package_win.h"
#include "tests/session_support_win.h"

namespace brimsett_test {

using namespace testkit;
namespace {

TEST(RealInstall, MsiexecRunsTheFiveActionsOfAProductPackage) {
    TempFolder folder;
    const std::wstring leaf = folder.path().substr(folder.path().rfind(L'\\') + 1);

    // SolidWorks: a registered local server with a quoted path; Pelliton: not registered.
    std::wstring swDir = folder.path() + L"\\Solid Works";
    ASSERT_TRUE(CreateDirectoryW(swDir.c_str(), nullptr));
    std::wstring swExe = swDir + L"\\sldworks.exe";
    ASSERT_TRUE(WriteFileBytes(swExe, "MZ"));
    const std::wstring swClsid = NewGuidText();
    ScopedKey swClass(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + swClsid, k64);
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, swClass.path() + L"\\LocalServer32", k64, nullptr,
                               L"\"" + swExe + L"\" /automation"));
    const std::wstring pellitonClsid = NewGuidText();

    // The stale per-user component registration of the installing user.
    const std::wstring componentKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\" +
                                      CurrentUserSid() + L"\\Components\\AD95649F068525549B26938D7D18FEA7";
    ScopedKey component(HKEY_LOCAL_MACHINE, componentKey, kOwn);
    ASSERT_TRUE(component.created());

    // The product's keys, which the package's Registry rows create.
    const std::wstring root = L"Software\\BrimsettTests\\" + UniqueName(L"install");
    ScopedKey rootKey(HKEY_LOCAL_MACHINE, root, k64);
    const std::wstring productKey = root + L"\\Product";
    const std::wstring environmentKey = root + L"\\Environment";
    const std::wstring productName = UniqueName(L"Brimsett Install Test");
    ScopedKey uninstallKey(HKEY_LOCAL_MACHINE,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productName, k64);

    ProductPackage package;
    package.dllPath = BrimsettDllPath();
    package.productCode = NewGuidText();
    package.productName = productName;
    package.properties = {{L"SOLIDWORKS_CLSID", swClsid},
                          {L"PELLITON_CLSID", pellitonClsid},
                          {L"TEMPDIR", L"%TEMP%\\" + leaf + L"\\Work"},
                          {L"PRODUCT_REGKEY", productKey},
                          {L"PRODUCT_ENV_REGKEY", environmentKey},
                          {L"GLOBPRODUCTNAME", productName},
                          {L"PRODUCT_ABBR", L"BRT"},
                          {L"PRODUCT_LOCALE_NAME", L"PRODUCT_LOCALE"}};
    const std::wstring msi = folder.path() + L"\\product.msi";
    ASSERT_EQ(WriteProductPackage(msi, package), L"");

    const std::wstring log = folder.path() + L"\\install.log";
    const std::wstring installDir = folder.path() + L"\\Install";
    ChildProcess msiexec(L"msiexec.exe", {L"/i", msi, L"/qn", L"/l*v", log, L"INSTALLDIR=" + installDir});
    EXPECT_EQ(msiexec.Wait(300000), 0u);

    // The installer log holds the actions' lines.
    std::wstring text;
    EXPECT_TRUE(ReadTextFile(log, text));
    for (const std::wstring& line :
         {L"CheckForCADApplication:  Getting registry value CLSID\\" + swClsid + L"\\LocalServer32\\(Default)",
          L"CheckForCADApplication:  Looking for file " + swExe, std::wstring(L"RemoveExtraRegKey:  Initialized."),
          std::wstring(L"CreateTempDir:  Initialized.")}) {
        EXPECT_NE(text.find(line), std::wstring::npos) << "missing from the log: " << Narrow(line);
    }
    EXPECT_EQ(text.find(L"Error 0x"), std::wstring::npos);
    // The installer's property dump at the end of the log.
    const std::wstring dumped = L"Property(S): SOLIDWORKS_LOCATION = " + swExe;
    const size_t at = text.find(dumped);
    EXPECT_NE(at, std::wstring::npos);
    if (at != std::wstring::npos) {
        EXPECT_TRUE(text[at + dumped.size()] == L'\r' || text[at + dumped.size()] == L'\n');
    }
    EXPECT_EQ(text.find(L"Property(S): PELLITON_LOCATION"), std::wstring::npos);
    // ResetLangToDefault ran after the registry values were written.
    const size_t written = text.find(L": WriteRegistryValues. Return value");
    const size_t reset = text.find(L": ResetLangToDefault.");
    EXPECT_NE(written, std::wstring::npos);
    EXPECT_NE(reset, std::wstring::npos);
    EXPECT_LT(written, reset);

    // SOLIDWORKS_LOCATION switched its component on; PELLITON_LOCATION stayed unset.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, productKey, k64, L"SolidWorksExe"), swExe);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, productKey, k64, L"PellitonExe"), std::nullopt);

    // RemoveExtraRegKey and CreateTempDir.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, componentKey, kOwn));
    EXPECT_TRUE(DirectoryExists(folder.path() + L"\\Work"));

    // ResetLangToDefault ran after the product's keys were written.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, productKey, k64, L"Locale"), L"en-US");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, productKey, k64, L"Language"), L"English");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, productKey, k64, L"EulaFile"), L"English.rtf");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, environmentKey, k64, L"PRODUCT_LOCALE"), L"ENU");
    const std::wstring command =
        L"\"" + installDir + L"\\Setup\\Setup.exe\" /P " + package.productCode + L" /M BRT /LANG en-US";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey.path(), k64, L"UninstallString"), command);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey.path(), k64, L"UninstallPath"), command);

    if (HasFailure()) ADD_FAILURE() << "installer log:\n" << Narrow(text);
}

}  // namespace
}  // namespace brimsett_test
