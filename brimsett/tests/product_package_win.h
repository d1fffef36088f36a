// Test and demo support (Win32 only): a small product package that runs the five actions of
// brimsett.dll the way the product's installer does, for a real install with msiexec.
//
// The package installs no files. Its sequences run CheckForSolidWorks and CheckForPelliton
// before costing, so that the components conditioned on SOLIDWORKS_LOCATION and
// PELLITON_LOCATION see them; RemoveExtraRegKey and CreateTempDir before costing as well; and
// ResetLangToDefault after InstallFinalize, once WriteRegistryValues has created the product's
// keys (in the 64-bit view) with German settings:
//   [PRODUCT_REGKEY]           Locale = de-DE, Language = Deutsch, EulaFile = Deutsch.rtf,
//                              SolidWorksExe = [SOLIDWORKS_LOCATION] (only when it is set),
//                              PellitonExe = [PELLITON_LOCATION] (only when it is set)
//   [PRODUCT_ENV_REGKEY]       [PRODUCT_LOCALE_NAME] = DEU
//   ...\Uninstall\[GLOBPRODUCTNAME]  DisplayName, UninstallString and UninstallPath (German)
// PRODUCT_INSTALLDIR is set from INSTALLDIR and GLOBPRODUCTCODE from ProductCode once costing
// has resolved them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brimsett_test {

struct ProductPackage {
    std::wstring dllPath;      // the custom-action DLL, stored in the Binary table
    std::wstring productCode;  // with braces
    std::wstring productName;
    // Property rows besides ProductCode, ProductName and the installer's required ones:
    // SOLIDWORKS_CLSID, PELLITON_CLSID, TEMPDIR, PRODUCT_REGKEY, PRODUCT_ENV_REGKEY,
    // GLOBPRODUCTNAME, PRODUCT_ABBR, PRODUCT_LOCALE_NAME, ... (values must not be empty).
    std::vector<std::pair<std::wstring, std::wstring>> properties;
};

// Writes the package to `path`; returns an empty text on success, else what failed.
std::wstring WriteProductPackage(const std::wstring& path, const ProductPackage& package);

}  // namespace brimsett_test
