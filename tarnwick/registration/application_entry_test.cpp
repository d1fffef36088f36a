#include "registration/application_entry.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace tarnwick {
namespace {

class ApplicationEntryTest : public ::testing::Test {
protected:
    void SetUp() override { ResetOptionTable(); }
    void TearDown() override { ResetOptionTable(); }
    static void Set(int index, const wchar_t* value = L"") {
        OptionTable[index].present = true;
        std::wcsncpy(OptionTable[index].value, value, kOptionValueCapacity - 1);
    }
};

TEST_F(ApplicationEntryTest, MinimalEntryHasTheFixedLines) {
    Set(kOptName, L"MyApp");
    EXPECT_EQ(*BuildApplicationEntry(OptionTable, L"C:\\x32\\a.dll", EntryPlacement::kLoadpointFile),
              std::vector<std::string>({"", "name MyApp", "exec_file C:\\x32\\a.dll", "unicode_encoding false",
                                        "delay_start false", "allow_stop true", "end"}));
}

TEST_F(ApplicationEntryTest, EveryOptionGoesOnItsRowWithItsValueAsTyped) {
    Set(kOptName, L" My App ");
    Set(kOptStartup);  // typed without a value: keyword and one space
    Set(kOptFail);
    Set(kOptText, L"C:\\t x");
    Set(kOptUnicode);
    Set(kOptDelay);
    Set(kOptDesc, L"Caf\u00e9 \u00ff");
    EXPECT_EQ(*BuildApplicationEntry(OptionTable, L"", EntryPlacement::kLoadpointFile),
              std::vector<std::string>({"", "name  My App ", "startup ", "fail_tol false", "exec_file ",
                                        "text_dir C:\\t x", "unicode_encoding true", "delay_start true",
                                        "allow_stop true", "description Caf\xE9 \xFF", "end"}));
}

TEST_F(ApplicationEntryTest, SpareFileBeginsWithTheNameLine) {
    Set(kOptName, L"MyApp");
    Set(kOptStartup, L"dll");
    EXPECT_EQ(*BuildSpareRegistryFile(OptionTable, L"C:\\x64\\a.dll"),
              "name MyApp\r\nstartup dll\r\nexec_file C:\\x64\\a.dll\r\nunicode_encoding false\r\n"
              "delay_start false\r\nallow_stop true\r\nend\r\n");
}

TEST_F(ApplicationEntryTest, ValuesTheFileCannotStoreGiveNoEntry) {
    Set(kOptName, L"MyApp");
    EXPECT_TRUE(BuildApplicationEntry(OptionTable, L"C:\\a.dll", EntryPlacement::kSpareFile));
    EXPECT_FALSE(BuildApplicationEntry(OptionTable, L"C:\\\u0100.dll", EntryPlacement::kSpareFile));
    Set(kOptDesc, L"two\nlines");
    EXPECT_FALSE(BuildApplicationEntry(OptionTable, L"C:\\a.dll", EntryPlacement::kLoadpointFile));
    EXPECT_FALSE(BuildSpareRegistryFile(OptionTable, L"C:\\a.dll"));
    EXPECT_EQ(*EncodeRegistryFileText(L"a\r\u00e9"), "a\r\xE9");
    EXPECT_FALSE(EncodeRegistryFileText(L"\u20ac"));
}

}  // namespace
}  // namespace tarnwick
