// Test and demo support (Win32 only): writes the product package with msi.dll's SQL.
#include "tests/product_package_win.h"

#include <windows.h>

#include "testkit/msi_database_win.h"
#include "testkit/registry_win.h"

namespace brimsett_test {
namespace {

using testkit::MsiDatabaseWriter;
using Field = testkit::MsiField;

void CreateTables(MsiDatabaseWriter& w) {
    w.CreateCustomActionTables();
    for (const wchar_t* sequence : {L"InstallExecuteSequence", L"InstallUISequence"})
        w.Sql(std::wstring(L"CREATE TABLE `") + sequence +
              L"` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), `Sequence` SHORT PRIMARY KEY `Action`)");
    w.Sql(
        L"CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
        L"`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)");
    w.Sql(
        L"CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` CHAR(64) "
        L"LOCALIZABLE, `Description` CHAR(255) LOCALIZABLE, `Display` SHORT, `Level` SHORT NOT NULL, "
        L"`Directory_` CHAR(72), `Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)");
    w.Sql(
        L"CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), `Directory_` "
        L"CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `Condition` CHAR(255), `KeyPath` CHAR(72) "
        L"PRIMARY KEY `Component`)");
    w.Sql(
        L"CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT NULL "
        L"PRIMARY KEY `Feature_`, `Component_`)");
    w.Sql(
        L"CREATE TABLE `Registry` (`Registry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` CHAR(255) "
        L"NOT NULL LOCALIZABLE, `Name` CHAR(255) LOCALIZABLE, `Value` CHAR(0) LOCALIZABLE, `Component_` "
        L"CHAR(72) NOT NULL PRIMARY KEY `Registry`)");
}

// Registry-key-path components in the 64-bit view.
constexpr int kRegistryKeyPath64 = 4 | 256;
constexpr int kHklm = 2;

void AddContent(MsiDatabaseWriter& w, const ProductPackage& package) {
    w.Insert(L"Binary", L"`Name`, `Data`", {L"BrimsettDll", Field::File(package.dllPath)});

    struct Action {
        const wchar_t* name;
        int type;
        const wchar_t* source;
        const wchar_t* target;
    };
    for (const Action& a : {Action{L"CheckForSolidWorks", 1, L"BrimsettDll", L"CheckForSolidWorks"},
                            Action{L"CheckForPelliton", 1, L"BrimsettDll", L"CheckForPelliton"},
                            Action{L"RemoveExtraRegKey", 1, L"BrimsettDll", L"RemoveExtraRegKey"},
                            Action{L"CreateTempDir", 1, L"BrimsettDll", L"CreateTempDir"},
                            Action{L"ResetLangToDefault", 1, L"BrimsettDll", L"ResetLangToDefault"},
                            Action{L"SetProductInstallDir", 51, L"PRODUCT_INSTALLDIR", L"[INSTALLDIR]"},
                            Action{L"SetGlobProductCode", 51, L"GLOBPRODUCTCODE", L"[ProductCode]"}})
        w.Insert(L"CustomAction", L"`Action`, `Type`, `Source`, `Target`", {a.name, a.type, a.source, a.target});

    struct Step {
        const wchar_t* action;
        const wchar_t* condition;
        int sequence;
    };
    for (const Step& s :
         {Step{L"CheckForSolidWorks", L"", 410}, Step{L"CheckForPelliton", L"", 420},
          Step{L"RemoveExtraRegKey", L"", 430}, Step{L"CreateTempDir", L"", 440}, Step{L"CostInitialize", L"", 800},
          Step{L"FileCost", L"", 900}, Step{L"CostFinalize", L"", 1000}, Step{L"SetProductInstallDir", L"", 1010},
          Step{L"SetGlobProductCode", L"", 1020}, Step{L"InstallValidate", L"", 1400},
          Step{L"InstallInitialize", L"", 1500}, Step{L"ProcessComponents", L"", 1600},
          Step{L"WriteRegistryValues", L"", 5000}, Step{L"RegisterProduct", L"", 6100},
          Step{L"PublishFeatures", L"", 6300}, Step{L"PublishProduct", L"", 6400}, Step{L"InstallFinalize", L"", 6600},
          Step{L"ResetLangToDefault", L"NOT REMOVE~=\"ALL\"", 6700}})
        w.Insert(L"InstallExecuteSequence", L"`Action`, `Condition`, `Sequence`",
                 {s.action, s.condition[0] ? Field(s.condition) : Field::None(), s.sequence});
    for (const Step& s :
         {Step{L"CheckForSolidWorks", L"", 410}, Step{L"CheckForPelliton", L"", 420}, Step{L"CostInitialize", L"", 800},
          Step{L"FileCost", L"", 900}, Step{L"CostFinalize", L"", 1000}, Step{L"ExecuteAction", L"", 1300}})
        w.Insert(L"InstallUISequence", L"`Action`, `Condition`, `Sequence`", {s.action, Field::None(), s.sequence});

    w.Insert(L"Directory", L"`Directory`, `Directory_Parent`, `DefaultDir`",
             {L"TARGETDIR", Field::None(), L"SourceDir"});
    w.Insert(L"Directory", L"`Directory`, `Directory_Parent`, `DefaultDir`",
             {L"INSTALLDIR", L"TARGETDIR", L"BrimTest|Brimsett Test"});
    w.Insert(L"Feature",
             L"`Feature`, `Feature_Parent`, `Title`, `Description`, `Display`, `Level`, `Directory_`, "
             L"`Attributes`",
             {L"Main", Field::None(), L"Main", L"Everything", 1, 1, L"INSTALLDIR", 0});

    struct Component {
        const wchar_t* name;
        const wchar_t* condition;
        const wchar_t* keyPath;
    };
    for (const Component& c : {Component{L"ProductSettings", L"", L"ProductLocale"},
                               Component{L"SolidWorksLink", L"SOLIDWORKS_LOCATION", L"SolidWorksExe"},
                               Component{L"PellitonLink", L"PELLITON_LOCATION", L"PellitonExe"}}) {
        w.Insert(L"Component", L"`Component`, `ComponentId`, `Directory_`, `Attributes`, `Condition`, `KeyPath`",
                 {c.name, testkit::NewGuidText(), L"INSTALLDIR", kRegistryKeyPath64,
                  c.condition[0] ? Field(c.condition) : Field::None(), c.keyPath});
        w.Insert(L"FeatureComponents", L"`Feature_`, `Component_`", {L"Main", c.name});
    }

    struct Value {
        const wchar_t* id;
        const wchar_t* key;
        const wchar_t* name;
        const wchar_t* value;
        const wchar_t* component;
    };
    const wchar_t* uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\[GLOBPRODUCTNAME]";
    for (const Value& v :
         {Value{L"ProductLocale", L"[PRODUCT_REGKEY]", L"Locale", L"de-DE", L"ProductSettings"},
          Value{L"ProductLanguage", L"[PRODUCT_REGKEY]", L"Language", L"Deutsch", L"ProductSettings"},
          Value{L"ProductEula", L"[PRODUCT_REGKEY]", L"EulaFile", L"Deutsch.rtf", L"ProductSettings"},
          Value{L"EnvironmentLocale", L"[PRODUCT_ENV_REGKEY]", L"[PRODUCT_LOCALE_NAME]", L"DEU", L"ProductSettings"},
          Value{L"UninstallName", uninstall, L"DisplayName", L"[ProductName]", L"ProductSettings"},
          Value{L"UninstallString", uninstall, L"UninstallString",
                L"[INSTALLDIR]Setup\\Setup.exe /P [ProductCode] /M [PRODUCT_ABBR] /LANG de-DE", L"ProductSettings"},
          Value{L"UninstallPath", uninstall, L"UninstallPath",
                L"[INSTALLDIR]Setup\\Setup.exe /P [ProductCode] /M [PRODUCT_ABBR] /LANG de-DE", L"ProductSettings"},
          Value{L"SolidWorksExe", L"[PRODUCT_REGKEY]", L"SolidWorksExe", L"[SOLIDWORKS_LOCATION]", L"SolidWorksLink"},
          Value{L"PellitonExe", L"[PRODUCT_REGKEY]", L"PellitonExe", L"[PELLITON_LOCATION]", L"PellitonLink"}})
        w.Insert(L"Registry", L"`Registry`, `Root`, `Key`, `Name`, `Value`, `Component_`",
                 {v.id, kHklm, v.key, v.name, v.value, v.component});

    std::vector<std::pair<std::wstring, std::wstring>> properties = {{L"ProductCode", package.productCode},
                                                                     {L"ProductName", package.productName},
                                                                     {L"ProductVersion", L"1.0.0"},
                                                                     {L"ProductLanguage", L"1033"},
                                                                     {L"Manufacturer", L"Brimsett tests"},
                                                                     {L"UpgradeCode", testkit::NewGuidText()},
                                                                     {L"ALLUSERS", L"1"}};
    properties.insert(properties.end(), package.properties.begin(), package.properties.end());
    for (const auto& [name, value] : properties) w.Insert(L"Property", L"`Property`, `Value`", {name, value});
}

}  // namespace

std::wstring WriteProductPackage(const std::wstring& path, const ProductPackage& package) {
    MsiDatabaseWriter writer(path);
    CreateTables(writer);
    AddContent(writer, package);
    writer.WriteSummary(L"Brimsett test product");
    writer.Commit();
    return writer.error();
}

}  // namespace brimsett_test
