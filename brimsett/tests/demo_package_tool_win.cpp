// The demo's product package writer (Win32 only):
//   brimsett_demo_package.exe PACKAGE.msi DLL [PROPERTY=VALUE ...]
// writes the product package of product_package_win.h around DLL, with the given properties.
#include <windows.h>

#include <cstdio>
#include <string>

#include "testkit/files_win.h"
#include "tests/product_package_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: brimsett_demo_package PACKAGE.msi DLL [PROPERTY=VALUE ...]\n");
        return 2;
    }
    brimsett_test::ProductPackage package;
    package.dllPath = argv[2];
    package.productCode = L"{6B0D5A8E-3C1F-4A2B-9D7E-5F4C3B2A1D0E}";
    package.productName = L"Brimsett Demo Product";
    for (int i = 3; i < argc; ++i) {
        std::wstring argument = argv[i];
        size_t equals = argument.find(L'=');
        if (equals == std::wstring::npos || equals == 0) {
            std::printf("not PROPERTY=VALUE: %s\n", testkit::Narrow(argument).c_str());
            return 2;
        }
        package.properties.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
    }
    std::wstring error = brimsett_test::WriteProductPackage(argv[1], package);
    if (!error.empty()) {
        std::printf("cannot write the package: %s\n", testkit::Narrow(error).c_str());
        return 1;
    }
    return 0;
}
