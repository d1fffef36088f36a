#include "registration/application_entry.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

class ApplicationEntryTest : public ::testing::Test {
protected:
    RunOptions options_;
};

TEST_F(ApplicationEntryTest, MinimalEntryHasTheFixedLines) {
    options_.name = L"MyApp";
    EXPECT_EQ(*BuildApplicationEntry(options_, L"C:\\x32\\a.dll", EntryPlacement::kLoadpointFile),
              std::vector<std::string>({"", "name MyApp", "exec_file C:\\x32\\a.dll", "unicode_encoding false",
                                        "delay_start false", "allow_stop true", "end"}));
}

TEST_F(ApplicationEntryTest, EveryOptionGoesOnItsRowWithItsValueAsTyped) {
    options_.name = L" My App ";
    options_.startup = L"";  // typed without a value: keyword and one space
    options_.fail = true;
    options_.textDir = L"C:\\t x";
    options_.unicode = true;
    options_.delay = true;
    options_.description = L"Caf\u00e9 \u00ff";
    EXPECT_EQ(*BuildApplicationEntry(options_, L"", EntryPlacement::kLoadpointFile),
              std::vector<std::string>({"", "name  My App ", "startup ", "fail_tol false", "exec_file ",
                                        "text_dir C:\\t x", "unicode_encoding true", "delay_start true",
                                        "allow_stop true", "description Caf\xE9 \xFF", "end"}));
}

TEST_F(ApplicationEntryTest, SpareFileBeginsWithTheNameLine) {
    options_.name = L"MyApp";
    options_.startup = L"dll";
    EXPECT_EQ(*BuildSpareRegistryFile(options_, L"C:\\x64\\a.dll"),
              "name MyApp\r\nstartup dll\r\nexec_file C:\\x64\\a.dll\r\nunicode_encoding false\r\n"
              "delay_start false\r\nallow_stop true\r\nend\r\n");
}

TEST_F(ApplicationEntryTest, ValuesTheFileCannotStoreGiveNoEntry) {
    options_.name = L"MyApp";
    EXPECT_TRUE(BuildApplicationEntry(options_, L"C:\\a.dll", EntryPlacement::kSpareFile));
    EXPECT_FALSE(BuildApplicationEntry(options_, L"C:\\\u0100.dll", EntryPlacement::kSpareFile));
    options_.description = L"two\nlines";
    EXPECT_FALSE(BuildApplicationEntry(options_, L"C:\\a.dll", EntryPlacement::kLoadpointFile));
    EXPECT_FALSE(BuildSpareRegistryFile(options_, L"C:\\a.dll"));
    EXPECT_EQ(*EncodeRegistryFileText(L"a\r\u00e9"), "a\r\xE9");
    EXPECT_FALSE(EncodeRegistryFileText(L"\u20ac"));
}

}  // namespace
}  // namespace tarnwick
