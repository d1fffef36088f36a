#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

class ParseCommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { ResetOptionTable(); }
    void TearDown() override { ResetOptionTable(); }

    // Parses the given arguments after a program name, with the whole table.
    static ParseResult Parse(std::vector<std::wstring> arguments, int optionCount = kOptionCount) {
        arguments.insert(arguments.begin(), L"tarnwick.exe");
        std::vector<const wchar_t*> pointers;
        pointers.reserve(arguments.size());
        for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
        return ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), optionCount, OptionTable);
    }

    static std::wstring Value(int index) { return OptionTable[index].value; }
};

TEST_F(ParseCommandLineTest, NoArgumentsAfterTheProgramName) {
    EXPECT_EQ(ParseCommandLine(1, nullptr, kOptionCount, OptionTable), NoParams);
    EXPECT_EQ(ParseCommandLine(0, nullptr, kOptionCount, OptionTable), NoParams);
    EXPECT_EQ(Parse({}), NoParams);
}

TEST_F(ParseCommandLineTest, EveryArgumentMustBeASlashAndAName) {
    EXPECT_EQ(Parse({L"/"}), Invalid);
    EXPECT_EQ(Parse({L""}), Invalid);
    EXPECT_EQ(Parse({L"name:x"}), Invalid);
    EXPECT_EQ(Parse({L"-name:x"}), Invalid);
    EXPECT_EQ(Parse({L"\\name:x"}), Invalid);
    EXPECT_EQ(Parse({L" /name:x"}), Invalid);
    EXPECT_EQ(Parse({L"/bogus"}), Invalid);
}

TEST_F(ParseCommandLineTest, ValueCannotFollowAsTheNextArgumentOrAfterAnEqualsSign) {
    EXPECT_EQ(Parse({L"/name", L"MyApp"}), Invalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name=MyApp"}), Invalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name MyApp"}), Invalid);
}

TEST_F(ParseCommandLineTest, NamesFoldOnlyAsciiLettersAndKeepTheValueCase) {
    EXPECT_EQ(Parse({L"/NAME:Abc", L"/UnReGiStEr", L"/ListXTOPS", L"/REG:C:\\Keys.TXT"}), Ok);
    EXPECT_TRUE(OptionTable[kOptName].present);
    EXPECT_EQ(Value(kOptName), L"Abc");
    EXPECT_TRUE(OptionTable[kOptUnregister].present);
    EXPECT_TRUE(OptionTable[kOptListXtops].present);
    EXPECT_EQ(Value(kOptReg), L"C:\\Keys.TXT");

    // Letters outside A-Z are never folded: a dotted capital I is not an i.
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/un\u0130code"}), Invalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/\uFF4Eame:x"}), Invalid);  // fullwidth n
}

TEST_F(ParseCommandLineTest, ValueIsEverythingAfterTheFirstColonVerbatim) {
    EXPECT_EQ(Parse({L"/exec64:C:\\Program Files\\App\\app.dll", L"/desc:  two  spaces\t", L"/startup:a:b::"}), Ok);
    EXPECT_EQ(Value(kOptExec64), L"C:\\Program Files\\App\\app.dll");
    EXPECT_EQ(Value(kOptDesc), L"  two  spaces\t");
    EXPECT_EQ(Value(kOptStartup), L"a:b::");
    EXPECT_FALSE(OptionTable[kOptExec32].present);
}

TEST_F(ParseCommandLineTest, ValueOptionWithoutValueIsPresentAndEmpty) {
    EXPECT_EQ(Parse({L"/name", L"/reg:"}), Ok);
    EXPECT_TRUE(OptionTable[kOptName].present);
    EXPECT_EQ(Value(kOptName), L"");
    EXPECT_TRUE(OptionTable[kOptReg].present);
    EXPECT_EQ(Value(kOptReg), L"");
}

TEST_F(ParseCommandLineTest, SwitchesTakeNoValue) {
    for (const wchar_t* argument : {L"/unicode:true", L"/?:x", L"/?:", L"/fail:", L"/delay:no", L"/??"}) {
        ResetOptionTable();
        EXPECT_EQ(Parse({argument}), Invalid) << argument;
    }
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?"}), Ok);
    EXPECT_TRUE(OptionTable[kOptHelp].present);
}

TEST_F(ParseCommandLineTest, NamesAreNeitherAbbreviatedNorExtended) {
    for (const wchar_t* argument : {L"/names:x", L"/uni", L"/nam:x", L"/regx", L"/reg x", L"/exec", L"/exec3:x",
                                    L"/exec640:x", L"/materialsdir:x", L"/unregisterall"}) {
        ResetOptionTable();
        EXPECT_EQ(Parse({argument}), Invalid);
    }
}

TEST_F(ParseCommandLineTest, RepeatedOptionIsDuplicateBeforeAnyTestOfWhatFollowsItsName) {
    EXPECT_EQ(Parse({L"/name:a", L"/NAME:b"}), Duplicate);
    EXPECT_EQ(Value(kOptName), L"a");
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/reg:x", L"/regx"}), Duplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?", L"/?"}), Duplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/unicode", L"/unicode:true"}), Duplicate);
}

TEST_F(ParseCommandLineTest, FirstOffendingArgumentDecidesAndLaterOnesAreNotExamined) {
    EXPECT_EQ(Parse({L"/bogus", L"/name:a", L"/name:b"}), Invalid);
    EXPECT_FALSE(OptionTable[kOptName].present);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:a", L"/name:b", L"/bogus"}), Duplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:a", L"/bogus", L"/reg:x"}), Invalid);
    EXPECT_TRUE(OptionTable[kOptName].present);  // marked before the rejection
    EXPECT_FALSE(OptionTable[kOptReg].present);
}

TEST_F(ParseCommandLineTest, ValuesUpTo259CharactersFitAndLongerOnesAreRefusedUncut) {
    const std::wstring longest(kMaxOptionValueLength, L'v');
    EXPECT_EQ(Parse({L"/text:" + longest}), Ok);
    EXPECT_EQ(Value(kOptText), longest);
    EXPECT_EQ(OptionTable[kOptText].value[kMaxOptionValueLength], L'\0');

    // One character more is refused and nothing of it reaches the field, nor the next entry.
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/text:" + longest + L"w"}), Invalid);
    EXPECT_EQ(Value(kOptText), L"");
    EXPECT_EQ(Value(kOptUnicode), L"");
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/spares:" + std::wstring(5000, L'x')}), Invalid);
}

TEST_F(ParseCommandLineTest, SearchesOnlyTheGivenNumberOfEntries) {
    EXPECT_EQ(Parse({L"/listxtops"}, 3), Ok);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:x"}, 3), Invalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?"}, 0), Invalid);
    EXPECT_EQ(Parse({L"/?"}, -1), Invalid);
    EXPECT_EQ(Parse({}, 0), NoParams);
}

TEST_F(ParseCommandLineTest, OrderOfOptionsDoesNotChangeTheTable) {
    const std::vector<std::wstring> arguments = {L"/name:App", L"/exec32:C:\\a.dll", L"/unicode", L"/reg:r.txt",
                                                 L"/desc:D d", L"/startup",          L"/delay",   L"/spares:C:\\s"};
    // What the table holds: each option's presence and value, in table order.
    auto snapshot = [] {
        std::vector<std::pair<bool, std::wstring>> entries;
        entries.reserve(kOptionCount);
        for (const CommandOption& option : OptionTable) entries.emplace_back(option.present, option.value);
        return entries;
    };
    ASSERT_EQ(Parse(arguments), Ok);
    const auto first = snapshot();

    ResetOptionTable();
    ASSERT_EQ(Parse(std::vector<std::wstring>(arguments.rbegin(), arguments.rend())), Ok);
    EXPECT_EQ(snapshot(), first);
}

}  // namespace
}  // namespace tarnwick
