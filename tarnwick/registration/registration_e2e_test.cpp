// End-to-end tests of registration: the real tarnwick.exe, loadpoints in throwaway registry keys
// of both views, real loadpoint folders, and the exact bytes of every file before and after.
#include <gtest/gtest.h>

#include <algorithm>

#include "testkit/files_win.h"
#include "tests/tarnwick_test_support_win.h"
#include "win/scoped_handle.h"

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

std::string Read(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << Narrow(path);
    return bytes;
}

std::wstring ProtkOf(const std::wstring& loadpoint) {
    return loadpoint + L"\\text\\protk.dat";
}

std::string Entry(const std::string& executable) {
    return "name MyApp\r\nstartup dll\r\nexec_file " + executable +
           "\r\ntext_dir C:\\my app\\text\r\nunicode_encoding true\r\ndelay_start false\r\nallow_stop true\r\n"
           "description My \xE9 application\r\nend\r\n";
}

class RegistrationRun : public ::testing::Test {
protected:
    void SetUp() override {
        keyList_ = root_.path() + L"\\keys.txt";
        ASSERT_TRUE(WriteFileBytes(keyList_, Narrow(keys_.path()) + "\r\n"));
    }
    void AddLoadpoint(REGSAM view, const std::wstring& loadpoint) {
        ASSERT_TRUE(keys_.Add(view, loadpoint.substr(loadpoint.find_last_of(L'\\') + 1), loadpoint));
    }
    ProcessResult Register(std::vector<std::wstring> extra) {
        std::vector<std::wstring> arguments = {
            L"/name:MyApp",     L"/startup:dll", L"/text:C:\\my app\\text", L"/unicode", L"/desc:My \u00e9 application",
            L"/reg:" + keyList_};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunTarnwick(arguments);
    }

    TempFolder root_;
    ThrowawayLoadpointKeys keys_;
    std::wstring keyList_;
};

TEST_F(RegistrationRun, RegistersReRegistersAndUnregistersInBothViews) {
    const std::wstring creo32 = MakeLoadpoint(root_.path(), L"creo32", true);
    const std::wstring creo64 = MakeLoadpoint(root_.path(), L"creo64", true);
    const std::wstring shared = MakeLoadpoint(root_.path(), L"shared", true);
    AddLoadpoint(KEY_WOW64_32KEY, creo32);
    AddLoadpoint(KEY_WOW64_64KEY, creo64);
    AddLoadpoint(KEY_WOW64_32KEY, shared);
    AddLoadpoint(KEY_WOW64_64KEY, shared);
    const std::string others = "name Other\nexec_file C:\\o.dll\nend\n\n\n\nname Last\r\n  \r\nend";
    ASSERT_TRUE(WriteFileBytes(ProtkOf(creo32), others));
    ASSERT_TRUE(WriteFileBytes(ProtkOf(shared), "\r\n NAME\tMyApp \r\nexec_file old\r\nEnd\r\n"));
    const std::wstring spares = root_.path() + L"\\spares";
    const std::wstring materials = root_.path() + L"\\materials";
    ASSERT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(materials.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\oak.mtl", "oak"));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\pine.mtl", "pine"));
    ASSERT_TRUE(WriteFileBytes(shared + L"\\text\\materials-library\\oak.mtl", "own oak"));

    const std::vector<std::wstring> registration = {L"/exec32:C:\\x86\\my.dll", L"/exec64:C:\\x64\\my.dll",
                                                    L"/spares:" + spares, L"/materials:" + materials};
    const std::string creo32After =
        "name Other\r\nexec_file C:\\o.dll\r\nend\r\n\r\nname Last\r\n  \r\nend\r\n\r\n" + Entry("C:\\x86\\my.dll");
    const std::string creo64After = "\r\n" + Entry("C:\\x64\\my.dll");
    for (int run = 0; run < 2; ++run) {  // the second registration changes no byte
        EXPECT_EQ(Register(registration).exitCode, 1u);
        EXPECT_EQ(Read(ProtkOf(creo32)), creo32After) << run;
        EXPECT_EQ(Read(ProtkOf(creo64)), creo64After) << run;
        EXPECT_EQ(Read(ProtkOf(shared)), creo64After) << run;  // the 64-bit pass comes last
        EXPECT_EQ(Read(spares + L"\\protkx64.dat"), Entry("C:\\x64\\my.dll"));
        EXPECT_EQ(Read(spares + L"\\protkx32.dat"), Entry("C:\\x86\\my.dll"));
        for (const std::wstring& loadpoint : {creo32, creo64, shared}) {
            EXPECT_EQ(ListDirectory(loadpoint + L"\\text"),
                      std::vector<std::wstring>({L"materials-library", L"protk.dat"}));
            const std::wstring library = loadpoint + L"\\text\\materials-library";
            EXPECT_EQ(ListDirectory(library), std::vector<std::wstring>({L"oak.mtl", L"pine.mtl"}));
            EXPECT_EQ(Read(library + L"\\oak.mtl"), loadpoint == shared ? "own oak" : "oak");
            EXPECT_EQ(Read(library + L"\\pine.mtl"), "pine");
        }
    }

    EXPECT_EQ(Register({L"/unregister", L"/spares:" + spares + L"\\", L"/materials:" + materials}).exitCode, 1u);
    EXPECT_EQ(Read(ProtkOf(creo32)), "name Other\r\nexec_file C:\\o.dll\r\nend\r\n\r\nname Last\r\n  \r\nend\r\n\r\n");
    EXPECT_EQ(Read(ProtkOf(creo64)), "\r\n");
    EXPECT_EQ(Read(ProtkOf(shared)), "\r\n");
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>());
    EXPECT_EQ(ListDirectory(shared + L"\\text\\materials-library"),
              std::vector<std::wstring>({L"oak.mtl", L"pine.mtl"}));  // materials are never removed

    // Unregistering again finds nothing and rewrites nothing.
    ASSERT_TRUE(WriteFileBytes(ProtkOf(creo64), "a\n\n\n\nb"));
    EXPECT_EQ(Register({L"/unregister"}).exitCode, 1u);
    EXPECT_EQ(Read(ProtkOf(creo64)), "a\n\n\n\nb");
}

TEST_F(RegistrationRun, ServesLoadpointsWhosePathsAreBeyondAscii) {
    // The loadpoint path travels as ANSI bytes (code page 1252 here) from the registry to the
    // narrow file functions, and is widened the same way for the materials.
    const std::wstring creo = MakeLoadpoint(root_.path(), L"Cr\u00e9o \u00c6", true);
    AddLoadpoint(KEY_WOW64_64KEY, creo);
    const std::wstring materials = root_.path() + L"\\materials";
    ASSERT_TRUE(CreateDirectoryW(materials.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\oak.mtl", "oak"));
    EXPECT_EQ(Register({L"/exec64:C:\\x64\\my.dll", L"/materials:" + materials}).exitCode, 1u);
    EXPECT_EQ(Read(ProtkOf(creo)), "\r\n" + Entry("C:\\x64\\my.dll"));
    EXPECT_EQ(Read(creo + L"\\text\\materials-library\\oak.mtl"), "oak");
    EXPECT_EQ(ListDirectory(root_.path()), std::vector<std::wstring>({L"Cr\u00e9o \u00c6", L"keys.txt", L"materials"}));
}

TEST_F(RegistrationRun, CopiesOnlyFilesWhoseLongNameEndsInMtl) {
    const std::wstring creo = MakeLoadpoint(root_.path(), L"creo", true);
    AddLoadpoint(KEY_WOW64_64KEY, creo);
    const std::wstring materials = root_.path() + L"\\materials";
    ASSERT_TRUE(CreateDirectoryW(materials.c_str(), nullptr));
    for (const wchar_t* name : {L"Oak.MTL", L"pine.mtl", L"steel.mtlx", L"birch.mtl.bak", L"fir.Mtl"})
        ASSERT_TRUE(WriteFileBytes(materials + L"\\" + name, "material"));

    // What the search for *.mtl returns here: Windows and Wine both match the 8.3 short name
    // that steel.mtlx gets (STEEL~1.MTL on Windows, a hashed one under Wine), where there is one.
    std::vector<std::wstring> matched;
    WIN32_FIND_DATAW found;
    const win::FindHandle search(FindFirstFileW((materials + L"\\*.mtl").c_str(), &found));
    ASSERT_TRUE(search.valid());
    do matched.emplace_back(found.cFileName);
    while (FindNextFileW(search.get(), &found));
    std::sort(matched.begin(), matched.end());
    const std::vector<std::wstring> materialFiles = {L"Oak.MTL", L"fir.Mtl", L"pine.mtl"};
    EXPECT_TRUE(matched == materialFiles ||
                matched == std::vector<std::wstring>({L"Oak.MTL", L"fir.Mtl", L"pine.mtl", L"steel.mtlx"}))
        << "the search gave " << matched.size() << " names";

    EXPECT_EQ(Register({L"/exec64:C:\\x64\\my.dll", L"/materials:" + materials}).exitCode, 1u);
    EXPECT_EQ(ListDirectory(creo + L"\\text\\materials-library"), materialFiles);
}

TEST_F(RegistrationRun, LeavesEveryFileItCannotSafelyRewriteAsItWas) {
    const std::string old = "name Other\r\nend\r\n\r\n\r\nname MyApp\nexec_file old\nend\n";
    const std::wstring exclusive = MakeLoadpoint(root_.path(), L"exclusive", true);
    const std::wstring writeOnly = MakeLoadpoint(root_.path(), L"writeonly", true);
    const std::wstring readOnly = MakeLoadpoint(root_.path(), L"readonly", true);
    const std::wstring noLibrary = MakeLoadpoint(root_.path(), L"nolibrary");
    const std::wstring noText = root_.path() + L"\\notext";
    ASSERT_TRUE(CreateDirectoryW(noText.c_str(), nullptr));
    for (const std::wstring& loadpoint : {exclusive, writeOnly, readOnly, noText, noLibrary})
        AddLoadpoint(KEY_WOW64_32KEY, loadpoint);
    for (const std::wstring& loadpoint : {exclusive, writeOnly, readOnly})
        ASSERT_TRUE(WriteFileBytes(ProtkOf(loadpoint), old));
    ASSERT_TRUE(SetFileAttributesW(ProtkOf(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring materials = root_.path() + L"\\materials";
    ASSERT_TRUE(CreateDirectoryW(materials.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\oak.mtl", "oak"));

    for (const wchar_t* mode : {L"/exec32:C:\\x86\\my.dll", L"/unregister"}) {
        {
            FileHolder holdExclusive(L"exclusive", ProtkOf(exclusive));
            FileHolder holdWriteOnly(L"writeonly", ProtkOf(writeOnly));
            ASSERT_TRUE(holdExclusive.holding());
            ASSERT_TRUE(holdWriteOnly.holding());
            EXPECT_EQ(Register({mode, L"/materials:" + materials}).exitCode, 1u);
        }
        for (const std::wstring& loadpoint : {exclusive, writeOnly, readOnly}) {
            EXPECT_EQ(Read(ProtkOf(loadpoint)), old) << Narrow(loadpoint);
            EXPECT_EQ(ListDirectory(loadpoint + L"\\text"),
                      std::vector<std::wstring>({L"materials-library", L"protk.dat"}));
        }
        EXPECT_EQ(ListDirectory(noText), std::vector<std::wstring>());  // no text folder is made
    }
    // The loadpoint without a materials library was registered (and unregistered) all the same,
    // and got no library made for it.
    EXPECT_EQ(Read(ProtkOf(noLibrary)), "\r\n");
    EXPECT_EQ(ListDirectory(noLibrary + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
    // Materials went to the loadpoints whose registry files were left alone.
    EXPECT_EQ(Read(exclusive + L"\\text\\materials-library\\oak.mtl"), "oak");
    SetFileAttributesW(ProtkOf(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace tarnwick::e2e
