#include "actions/action_text.h"

#include <gtest/gtest.h>

namespace brimsett {
namespace {

TEST(CutServerCommand, DropsSwitchesAndOneSpaceBeforeTheFirstSlash) {
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe /automation"), L"C:\\SW\\sldworks.exe");
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe/automation"), L"C:\\SW\\sldworks.exe");
    // Only one space goes with the switches.
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe  /automation"), L"C:\\SW\\sldworks.exe ");
    // The first slash counts, even inside what looks like a path.
    EXPECT_EQ(CutServerCommand(L"C:\\a b/c.exe /x"), L"C:\\a b");
}

TEST(CutServerCommand, WithoutSlashKeepsAllButOneTrailingSpace) {
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe"), L"C:\\SW\\sldworks.exe");
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe "), L"C:\\SW\\sldworks.exe");
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe  "), L"C:\\SW\\sldworks.exe ");
    EXPECT_EQ(CutServerCommand(L"C:\\SW\\sldworks.exe\t-x"), L"C:\\SW\\sldworks.exe\t-x");
    EXPECT_EQ(CutServerCommand(L""), L"");
    EXPECT_EQ(CutServerCommand(L" "), L"");
}

TEST(CutServerCommand, LeadingSlashGivesEmptyPath) {
    EXPECT_EQ(CutServerCommand(L"/automation"), L"");
    EXPECT_EQ(CutServerCommand(L" /automation"), L"");
}

TEST(CutServerCommand, QuotedCommandGivesTheTextBetweenTheQuotes) {
    EXPECT_EQ(CutServerCommand(L"\"C:\\Program Files\\SW\\sldworks.exe\" /automation"),
              L"C:\\Program Files\\SW\\sldworks.exe");
    EXPECT_EQ(CutServerCommand(L"\"C:\\Program Files\\SW\\sldworks.exe\""), L"C:\\Program Files\\SW\\sldworks.exe");
    // Everything after the closing quote is ignored, slashes included; a slash inside the
    // quotes is part of the path.
    EXPECT_EQ(CutServerCommand(L"\"C:/tools/app.exe\"x \"y\" /z"), L"C:/tools/app.exe");
    // No closing quote: the rest of the text.
    EXPECT_EQ(CutServerCommand(L"\"C:\\app.exe /x"), L"C:\\app.exe /x");
    EXPECT_EQ(CutServerCommand(L"\"\" /x"), L"");
    EXPECT_EQ(CutServerCommand(L"\""), L"");
    // A quote that does not open the command is an ordinary character.
    EXPECT_EQ(CutServerCommand(L" \"C:\\app.exe\" /x"), L" \"C:\\app.exe\"");
}

TEST(TextInBuffer, StopsAtTheFirstNullOrAtTheEndOfTheBuffer) {
    const wchar_t terminated[] = {L'a', L'b', L'\0', L'c'};
    EXPECT_EQ(TextInBuffer(terminated, 4), L"ab");
    const wchar_t full[] = {L'a', L'b', L'c'};
    EXPECT_EQ(TextInBuffer(full, 3), L"abc");
    EXPECT_EQ(TextInBuffer(full, 0), L"");
}

TEST(LowByteCopy, KeepsTheLowEightBitsOfEachUnit) {
    EXPECT_EQ(LowByteCopy(L"C:\\SW\\a.exe"), "C:\\SW\\a.exe");
    // U+00E9 stays one byte; U+0416 becomes 0x16, U+2041 becomes 0x41 ('A').
    EXPECT_EQ(LowByteCopy(std::wstring{L'x', wchar_t(0xE9), wchar_t(0x416), wchar_t(0x2041)}), std::string("x\xE9\x16"
                                                                                                           "A"));
}

TEST(KeyPaths, AreBuiltWholeWithoutACap) {
    EXPECT_EQ(LocalServerKeyPath(L"{1-2}"), L"CLSID\\{1-2}\\LocalServer32");
    EXPECT_EQ(LocalServerKeyPath(L""), L"CLSID\\\\LocalServer32");
    EXPECT_EQ(ComponentKeyPath(L"S-1-5-18"),
              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18"
              L"\\Components\\AD95649F068525549B26938D7D18FEA7");
    EXPECT_EQ(UninstallKeyPath(L"Prod"), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Prod");

    std::wstring longSid(600, L'7');
    std::wstring path = ComponentKeyPath(longSid);
    EXPECT_EQ(path.size(), 61 + 600 + 44u);
    EXPECT_NE(path.find(longSid + L"\\Components\\AD95649F068525549B26938D7D18FEA7"), std::wstring::npos);
}

TEST(UninstallCommand, JoinsTheInstallDirectoryWithoutSeparatorAndIsNeverCut) {
    struct Case {
        std::wstring installDir, productCode, abbreviation, command;
    };
    for (const Case& c :
         {Case{L"C:\\Prod\\", L"{ABC}", L"PRD", L"\"C:\\Prod\\Setup\\Setup.exe\" /P {ABC} /M PRD /LANG en-US"},
          Case{L"C:\\Program Files\\Vendor Product\\", L"{ABC}", L"PRD",
               L"\"C:\\Program Files\\Vendor Product\\Setup\\Setup.exe\" /P {ABC} /M PRD /LANG en-US"},
          Case{L"", L"", L"", L"\"Setup\\Setup.exe\" /P  /M  /LANG en-US"}}) {
        EXPECT_EQ(UninstallCommand(c.installDir, c.productCode, c.abbreviation), c.command);
    }
    std::wstring dir = L"C:\\" + std::wstring(246, L'd') + L"\\";
    std::wstring command = UninstallCommand(dir, L"{ABC}", L"PRD");
    EXPECT_EQ(command.substr(0, dir.size() + 1), L"\"" + dir);
    EXPECT_TRUE(command.ends_with(L" /LANG en-US"));
}

}  // namespace
}  // namespace brimsett
