// The runtime inside real installer sessions: the probe DLL's exports run as type 1 custom
// actions of a package built at test time, and the tests read the lines, result codes and
// properties they produced.
#include "tests/msi_harness_win.h"

#include "testkit/files_win.h"
#include "testkit/process_win.h"

#include <gtest/gtest.h>

namespace brimsett_test {

using namespace testkit;
namespace {

Package ProbePackage() {
    Package package;
    package.dllPath = PathBesideTestProgram(L"brimsett_probe.dll");
    return package;
}

TEST(InstallerSessionHarness, RunsTheDllAndCapturesLinesPropertiesAndLog) {
    Package package = ProbePackage();
    package.properties = {{L"HARNESS_INPUT", L"from the Property table"}};
    package.actions = {{L"RunProbe", L"ProbeHarness"}};
    InstallerSession session(package);
    ASSERT_TRUE(session.ok()) << Narrow(session.error());

    EXPECT_EQ(session.DoAction(L"RunProbe"), 0u);
    EXPECT_EQ(session.GetProperty(L"HARNESS_OUTPUT"), L"from the Property table");
    EXPECT_EQ(session.LinesOf(L"ProbeHarness"), (Lines{L"ProbeHarness:  first line", L"ProbeHarness:  second line"}));
    EXPECT_EQ(session.GetProperty(L"HARNESS_ANSWER"), L"0");
    session.Close();  // the installer holds its log without read sharing while the package is open
    EXPECT_NE(session.LogText().find(L"ProbeHarness:  second line"), std::wstring::npos) << Narrow(session.LogText());
}

TEST(InstallerSessionHarness, AnswersCancelAtTheChosenMessage) {
    Package package = ProbePackage();
    package.actions = {{L"RunProbe", L"ProbeHarness"}};
    InstallerSession session(package);
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    session.CancelAt([](const CapturedMessage& m) { return m.isInfo() && m.text == L"ProbeHarness:  second line"; });

    session.DoAction(L"RunProbe");
    EXPECT_TRUE(session.cancelled());
    EXPECT_EQ(session.GetProperty(L"HARNESS_ANSWER"), L"2");  // IDCANCEL reached the DLL
}

TEST(InstallerSessionHarness, SetsPropertiesBeforeAnAction) {
    Package package = ProbePackage();
    package.actions = {{L"RunProbe", L"ProbeHarness"}};
    InstallerSession session(package);
    ASSERT_TRUE(session.ok()) << Narrow(session.error());
    EXPECT_EQ(session.SetProperty(L"HARNESS_INPUT", L"set by the test"), 0u);
    session.DoAction(L"RunProbe");
    EXPECT_EQ(session.GetProperty(L"HARNESS_OUTPUT"), L"set by the test");
}

}  // namespace
}  // namespace brimsett_test
