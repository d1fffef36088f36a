// A real install under Wine: msiexec installs a product package whose sequences run the five
// actions of brimsett.dll, and the test checks the installer log, the effect of the location
// properties on the package's conditions, and the registry afterwards.
#include <gtest/gtest.h>

#include "actions/product_package_win.h"
#include "actions/session_support_win.h"
#include "actions/test_machine_win.h"

namespace brimsett_test {
namespace {

// Runs a command line, waits for it and gives its exit code (or ~0u when it did not start or
// end).
DWORD RunAndWait(std::wstring commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ~0u;
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.hProcess, 300000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// The installer log, UTF-16 when it starts with a byte-order mark, else ANSI text.
std::wstring ReadLog(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::wstring();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    return Widen(bytes);
}

TEST(RealInstall, MsiexecRunsTheFiveActionsOfAProductPackage) {
    ScopedFolder folder;
    const std::wstring leaf = folder.path().substr(folder.path().rfind(L'\\') + 1);

    // SolidWorks: a registered local server with a quoted path; Pelliton: not registered.
    std::wstring swDir = folder.path() + L"\\Solid Works";
    ASSERT_TRUE(CreateDirectoryW(swDir.c_str(), nullptr));
    std::wstring swExe = swDir + L"\\sldworks.exe";
    ASSERT_TRUE(WriteFileText(swExe, "MZ"));
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
    DWORD exitCode = RunAndWait(L"msiexec.exe /i \"" + msi + L"\" /qn /l*v \"" + log + L"\" INSTALLDIR=" + installDir);
    EXPECT_EQ(exitCode, 0u);

    // The installer log holds the actions' lines.
    std::wstring text = ReadLog(log);
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
    const std::wstring command = installDir + L"\\Setup\\Setup.exe /P " + package.productCode + L" /M BRT /LANG en-US";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey.path(), k64, L"UninstallString"), command);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey.path(), k64, L"UninstallPath"), command);

    if (HasFailure()) ADD_FAILURE() << "installer log:\n" << Narrow(text);
}

}  // namespace
}  // namespace brimsett_test
