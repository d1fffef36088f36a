// End to end on a machine laid out as real Pro/ENGINEER and Creo Parametric installations are,
// driven by the sample key list that the sample package installs: Wildfire keys name the
// loadpoint with InstallDir, Creo keys name their Parametric folder with InstallDir and their
// Common Files folder (where protk.dat and the machine folders are) with CommonFilesLocation; the
// 64-bit Creo 2.0 and 4.0 installers wrote their keys into the 32-bit view.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "testkit/registry_win.h"
#include "tests/tarnwick_test_support_win.h"

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

const std::string kForeign = "name other_addin\r\nexec_file C:\\Other\\other.dll\r\nend\r\n\r\n";

std::string Entry(const std::string& executable) {
    return "name creo_test\r\nexec_file " + executable +
           "\r\nunicode_encoding false\r\ndelay_start false\r\nallow_stop true\r\nend\r\n";
}

// Creates every missing folder of `folder`, which begins with an existing one.
void MakeFolders(const std::wstring& folder) {
    for (std::size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
}

void MakeFile(const std::wstring& path, const std::string& bytes = "MZ") {
    MakeFolders(path.substr(0, path.find_last_of(L'\\')));
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << Narrow(path);
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "(no file)";
}

// One installation: its key (below the test's own SOFTWARE key, in one view) and its folders.
struct Installation {
    View view;
    std::wstring key;         // below SOFTWARE, as the sample list names it
    std::wstring parametric;  // InstallDir, relative to the test's folder; empty for Wildfire
    std::wstring loadpoint;   // CommonFilesLocation (InstallDir for Wildfire), relative likewise
    const wchar_t* machine;   // the machine folder that holds xtop.exe
    bool foreignEntry;        // protk.dat holds another add-in's entry beforehand
};

class CreoMachine : public ::testing::Test {
protected:
    void SetUp() override {
        software_ = L"SOFTWARE\\" + UniqueName(L"TarnwickCreoMachine");
        // The sample list's key paths, moved below the test's own key.
        std::string sample;
        ASSERT_TRUE(ReadFileBytes(PathBesideTestProgram(L"registry-keys-ptc.txt"), sample));
        std::string keys;
        for (std::size_t start = 0, end; start < sample.size(); start = end + 1) {
            end = sample.find('\n', start);
            if (end == std::string::npos) end = sample.size();
            std::string line = sample.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            ASSERT_EQ(line.rfind("SOFTWARE\\", 0), 0u) << line;
            keys += Narrow(software_) + line.substr(8) + "\r\n";
        }
        keyList_ = root_.path() + L"\\registry-keys-ptc.txt";
        ASSERT_TRUE(WriteFileBytes(keyList_, keys));
    }
    void TearDown() override {
        for (View view : {k32, k64}) DeleteKeyTree(HKEY_LOCAL_MACHINE, software_, view);
    }

    std::wstring Full(const std::wstring& relative) const { return root_.path() + L"\\" + relative; }

    void Install(const Installation& installation) {
        const std::wstring key = software_ + L"\\" + installation.key;
        const std::wstring loadpoint = Full(installation.loadpoint);
        if (installation.parametric.empty()) {
            ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, installation.view, L"InstallDir", loadpoint));
        } else {
            const std::wstring parametric = Full(installation.parametric);
            ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, installation.view, L"InstallDir", parametric));
            ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, installation.view, L"CommonFilesLocation", loadpoint));
            ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, installation.view, L"Release",
                                       installation.key.substr(installation.key.find_last_of(L'\\') + 1)));
            // The Parametric folder has a text folder of its own, which Creo never reads protk.dat from.
            MakeFile(parametric + L"\\bin\\parametric.exe");
            MakeFolders(parametric + L"\\text");
        }
        MakeFile(loadpoint + L"\\" + installation.machine + L"\\obj\\xtop.exe");
        MakeFolders(loadpoint + L"\\text");
        if (installation.foreignEntry) MakeFile(loadpoint + L"\\text\\protk.dat", kForeign);
    }

    ProcessResult Run(std::vector<std::wstring> arguments) {
        arguments.push_back(L"/reg:" + keyList_);
        return RunTarnwick(arguments);
    }

    TempFolder root_;
    std::wstring software_;
    std::wstring keyList_;
};

TEST_F(CreoMachine, EveryInstallationRegisteredWhereCreoReadsItWithItsOwnBitness) {
    const std::vector<Installation> machine = {
        {k32, L"PTC\\Pro/ENGINEER\\Wildfire 4.0\\M220", L"", L"proeWildfire 4.0", L"i486_nt", true},
        {k32, L"PTC\\Creo Parametric\\2.0\\M250", L"Creo 2.0\\Parametric", L"Creo 2.0\\Common Files\\M250",
         L"x86e_win64", true},
        {k64, L"PTC\\Creo Parametric\\3.0\\M140", L"Creo 3.0\\M140\\Parametric", L"Creo 3.0\\M140\\Common Files",
         L"x86e_win64", false},
        {k32, L"PTC\\PTC Creo Parametric\\4.0\\M090", L"Creo 4.0\\M090\\Parametric", L"Creo 4.0\\M090\\Common Files",
         L"x86e_win64", false},
        {k64, L"PTC\\PTC Creo Parametric\\7.0.1.0", L"Creo 7.0.1.0\\Parametric", L"Creo 7.0.1.0\\Common Files",
         L"x86e_win64", true},
        {k64, L"PTC\\PTC Creo Parametric\\12.4.2.0", L"CREO12\\Creo 12.4.2.0\\Parametric",
         L"CREO12\\Creo 12.4.2.0\\Common Files", L"x86e_win64", false},
    };
    for (const Installation& installation : machine) ASSERT_NO_FATAL_FAILURE(Install(installation));
    // Every Creo machine also carries the Common Files product's own keys, which the list leaves out.
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, software_ + L"\\PTC\\PTC Creo Common Files\\7.0.1.0", k64,
                               L"InstallDir", Full(L"Creo 7.0.1.0\\Common Files")));

    // Wildfire in the 32-bit list, every Creo in the 64-bit one, each list sorted byte-wise.
    const std::string root = Narrow(root_.path()) + "\\";
    const std::vector<std::string> loadpoints32 = {root + "proeWildfire 4.0"};
    const std::vector<std::string> loadpoints64 = {
        root + "CREO12\\Creo 12.4.2.0\\Common Files", root + "Creo 2.0\\Common Files\\M250",
        root + "Creo 3.0\\M140\\Common Files", root + "Creo 4.0\\M090\\Common Files",
        root + "Creo 7.0.1.0\\Common Files"};
    std::vector<std::string> xtops;
    xtops.reserve(loadpoints32.size() + loadpoints64.size());
    for (const std::string& loadpoint : loadpoints32) xtops.push_back(loadpoint + "\\i486_nt\\obj\\xtop.exe");
    for (const std::string& loadpoint : loadpoints64) xtops.push_back(loadpoint + "\\x86e_win64\\obj\\xtop.exe");
    const ProcessResult list = Run({L"/listxtops"});
    EXPECT_EQ(list.output, Lines(xtops));
    EXPECT_EQ(list.exitCode, 0u);
    for (const std::string& xtop : xtops) EXPECT_TRUE(FileExists(Widen(xtop))) << xtop;

    const ProcessResult registration =
        Run({L"/name:creo_test", L"/exec32:C:\\Addin\\x86\\addin.dll", L"/exec64:C:\\Addin\\x64\\addin.dll"});
    std::vector<std::string> listing = {kBanner, kHeading};
    listing.insert(listing.end(), loadpoints32.begin(), loadpoints32.end());
    listing.insert(listing.end(), loadpoints64.begin(), loadpoints64.end());
    EXPECT_EQ(registration.output, Lines(listing));
    EXPECT_EQ(registration.errors, "");
    EXPECT_EQ(registration.exitCode, 1u);
    for (const Installation& installation : machine) {
        const std::string before = installation.foreignEntry ? kForeign : "\r\n";
        const bool is32 = std::wstring(installation.machine) == L"i486_nt";
        EXPECT_EQ(Read(Full(installation.loadpoint) + L"\\text\\protk.dat"),
                  before + Entry(is32 ? "C:\\Addin\\x86\\addin.dll" : "C:\\Addin\\x64\\addin.dll"))
            << Narrow(installation.loadpoint);
        if (!installation.parametric.empty()) {
            EXPECT_EQ(ListDirectory(Full(installation.parametric) + L"\\text"), std::vector<std::wstring>{})
                << Narrow(installation.parametric);
        }
    }

    const ProcessResult unregistration = Run({L"/name:creo_test", L"/unregister"});
    EXPECT_EQ(unregistration.errors, "");
    for (const Installation& installation : machine) {
        EXPECT_EQ(Read(Full(installation.loadpoint) + L"\\text\\protk.dat"),
                  installation.foreignEntry ? kForeign : "\r\n")
            << Narrow(installation.loadpoint);
        if (!installation.parametric.empty()) {
            EXPECT_EQ(ListDirectory(Full(installation.parametric) + L"\\text"), std::vector<std::wstring>{});
        }
    }
}

TEST_F(CreoMachine, CommonFilesFolderThatIsGoneIsNamedOnStandardError) {
    // An installation removed by hand: its key and Parametric folder stay, its Common Files are gone.
    const std::wstring key = software_ + L"\\PTC\\PTC Creo Parametric\\8.0.0.0";
    const std::wstring parametric = Full(L"Creo 8.0.0.0\\Parametric");
    const std::wstring commonFiles = Full(L"Creo 8.0.0.0\\Common Files");
    MakeFolders(parametric + L"\\text");
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, k64, L"InstallDir", parametric));
    ASSERT_TRUE(SetStringValue(HKEY_LOCAL_MACHINE, key, k64, L"CommonFilesLocation", commonFiles));

    const ProcessResult registration = Run({L"/name:creo_test", L"/exec64:C:\\Addin\\x64\\addin.dll"});
    EXPECT_EQ(registration.output, Lines({kBanner, kHeading, Narrow(commonFiles)}));
    EXPECT_EQ(registration.errors,
              Lines({"Passed over \"" + Narrow(commonFiles) + "\\text\\protk.dat\": its folder does not exist"}));
    EXPECT_EQ(registration.exitCode, 1u);
    EXPECT_EQ(ListDirectory(parametric + L"\\text"), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(commonFiles));

    // The list run names no xtop.exe of it, and says why with the same line.
    const ProcessResult list = Run({L"/listxtops"});
    EXPECT_EQ(list.output, "");
    EXPECT_EQ(list.errors, registration.errors);
    EXPECT_EQ(list.exitCode, 0u);
}

}  // namespace
}  // namespace tarnwick::e2e
