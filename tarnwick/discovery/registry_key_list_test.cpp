#include "discovery/registry_key_list.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace tarnwick {
namespace {

RegistryKeyList Parse(const std::string& bytes) {
    return ParseRegistryKeyList(bytes, true);
}

TEST(RegistryKeyList, LineEndsAreLfWithAnOptionalCrBeforeIt) {
    const RegistryKeyList expected = {"SOFTWARE\\PTC\\Creo", "SOFTWARE\\PTC\\ProE"};
    EXPECT_EQ(Parse("SOFTWARE\\PTC\\Creo\nSOFTWARE\\PTC\\ProE\n"), expected);
    EXPECT_EQ(Parse("SOFTWARE\\PTC\\Creo\r\nSOFTWARE\\PTC\\ProE\r\n"), expected);
    EXPECT_EQ(Parse("SOFTWARE\\PTC\\Creo\r\nSOFTWARE\\PTC\\ProE"), expected);  // last line unterminated
    // A CR anywhere else is part of the key path; of "\r\r\n" only the last CR goes.
    EXPECT_EQ(Parse("a\rb\nc\r\r\nd\r"), (RegistryKeyList{"a\rb", "c\r", "d\r"}));
    EXPECT_EQ(Parse("\r"), RegistryKeyList{"\r"});
}

TEST(RegistryKeyList, EmptyLinesAreDroppedAndBlankOnesKept) {
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("\n\r\n\n").empty());
    EXPECT_EQ(Parse("\n\nkey \n \t\n\r\n"), (RegistryKeyList{" \t", "key "}));
}

TEST(RegistryKeyList, SortsUnsignedByteWiseAndKeepsOneOfEachCaseSensitively) {
    EXPECT_EQ(Parse("b\nA\na\n"), (RegistryKeyList{"A", "a", "b"}));
    EXPECT_EQ(Parse("Key\nkey\nKey\r\nKey\n"), (RegistryKeyList{"Key", "key"}));
    // A prefix sorts first; bytes above 0x7F sort after ASCII.
    EXPECT_EQ(Parse("ab\na\n\xE9\n~\n"), (RegistryKeyList{"a", "ab", "~", "\xE9"}));
}

TEST(RegistryKeyList, NoByteIsDecodedOrEndsTheFile) {
    // A UTF-8 byte-order mark stays the first three bytes of the first key path.
    EXPECT_EQ(Parse("\xEF\xBB\xBFSOFTWARE\\A\nSOFTWARE\\B"),
              (RegistryKeyList{"SOFTWARE\\B", "\xEF\xBB\xBFSOFTWARE\\A"}));
    // Ctrl-Z and NUL are ordinary bytes of their lines.
    EXPECT_EQ(Parse("x\x1Ay\n\x1A\nafter\n"), (RegistryKeyList{"\x1A", "after", "x\x1Ay"}));
    EXPECT_EQ(Parse("a\0b\nc"s), (RegistryKeyList{"a\0b"s, "c"}));
}

TEST(RegistryKeyList, ReadingStoppedEarlyDropsOnlyTheUnterminatedTail) {
    EXPECT_EQ(ParseRegistryKeyList("SOFTWARE\\B\nSOFTWARE\\A\nSOFTWARE\\PT", false),
              (RegistryKeyList{"SOFTWARE\\A", "SOFTWARE\\B"}));
    EXPECT_EQ(ParseRegistryKeyList("SOFTWARE\\B\r\n", false), RegistryKeyList{"SOFTWARE\\B"});
}

}  // namespace
}  // namespace tarnwick
