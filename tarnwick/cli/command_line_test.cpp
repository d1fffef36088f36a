#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

class ParseCommandLineTest : public ::testing::Test {
protected:
    // Puts the table back into its initial state (every option absent, every value empty).
    void ResetOptionTable() { table_ = kOptionTable; }

    // Parses the given arguments after a program name into the test's table, with the whole table.
    ParseResult Parse(std::vector<std::wstring> arguments, int optionCount = kOptionCount) {
        arguments.insert(arguments.begin(), L"tarnwick.exe");
        std::vector<const wchar_t*> pointers;
        pointers.reserve(arguments.size());
        for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
        return ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), optionCount, table_.data());
    }

    // The test's entry of the option of that name.
    const CommandOption& Option(const wchar_t* name) const {
        for (const CommandOption& option : table_) {
            if (std::wcscmp(option.optionName, name) == 0) return option;
        }
        throw std::invalid_argument("no such option");
    }
    std::wstring Value(const wchar_t* name) const { return Option(name).value; }

    OptionTable table_ = kOptionTable;
};

TEST_F(ParseCommandLineTest, NoArgumentsAfterTheProgramName) {
    EXPECT_EQ(ParseCommandLine(1, nullptr, kOptionCount, table_.data()), ParseResult::kNoParams);
    EXPECT_EQ(ParseCommandLine(0, nullptr, kOptionCount, table_.data()), ParseResult::kNoParams);
    EXPECT_EQ(Parse({}), ParseResult::kNoParams);
}

TEST_F(ParseCommandLineTest, EveryArgumentMustBeASlashAndAName) {
    EXPECT_EQ(Parse({L"/"}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L""}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L"name:x"}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L"-name:x"}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L"\\name:x"}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L" /name:x"}), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L"/bogus"}), ParseResult::kInvalid);
}

TEST_F(ParseCommandLineTest, ValueCannotFollowAsTheNextArgumentOrAfterAnEqualsSign) {
    EXPECT_EQ(Parse({L"/name", L"MyApp"}), ParseResult::kInvalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name=MyApp"}), ParseResult::kInvalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name MyApp"}), ParseResult::kInvalid);
}

TEST_F(ParseCommandLineTest, NamesFoldOnlyAsciiLettersAndKeepTheValueCase) {
    EXPECT_EQ(Parse({L"/NAME:Abc", L"/UnReGiStEr", L"/ListXTOPS", L"/REG:C:\\Keys.TXT"}), ParseResult::kOk);
    EXPECT_TRUE(Option(L"name").present);
    EXPECT_EQ(Value(L"name"), L"Abc");
    EXPECT_TRUE(Option(L"unregister").present);
    EXPECT_TRUE(Option(L"listxtops").present);
    EXPECT_EQ(Value(L"reg"), L"C:\\Keys.TXT");

    // Letters outside A-Z are never folded: a dotted capital I is not an i.
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/un\u0130code"}), ParseResult::kInvalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/\uFF4Eame:x"}), ParseResult::kInvalid);  // fullwidth n
}

TEST_F(ParseCommandLineTest, ValueIsEverythingAfterTheFirstColonVerbatim) {
    EXPECT_EQ(Parse({L"/exec64:C:\\Program Files\\App\\app.dll", L"/desc:  two  spaces\t", L"/startup:a:b::"}),
              ParseResult::kOk);
    EXPECT_EQ(Value(L"exec64"), L"C:\\Program Files\\App\\app.dll");
    EXPECT_EQ(Value(L"desc"), L"  two  spaces\t");
    EXPECT_EQ(Value(L"startup"), L"a:b::");
    EXPECT_FALSE(Option(L"exec32").present);
}

TEST_F(ParseCommandLineTest, ValueOptionWithoutValueIsPresentAndEmpty) {
    EXPECT_EQ(Parse({L"/name", L"/reg:"}), ParseResult::kOk);
    EXPECT_TRUE(Option(L"name").present);
    EXPECT_EQ(Value(L"name"), L"");
    EXPECT_TRUE(Option(L"reg").present);
    EXPECT_EQ(Value(L"reg"), L"");
}

TEST_F(ParseCommandLineTest, SwitchesTakeNoValue) {
    for (const wchar_t* argument : {L"/unicode:true", L"/?:x", L"/?:", L"/fail:", L"/delay:no", L"/??"}) {
        ResetOptionTable();
        EXPECT_EQ(Parse({argument}), ParseResult::kInvalid) << argument;
    }
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?"}), ParseResult::kOk);
    EXPECT_TRUE(Option(L"?").present);
}

TEST_F(ParseCommandLineTest, NamesAreNeitherAbbreviatedNorExtended) {
    for (const wchar_t* argument : {L"/names:x", L"/uni", L"/nam:x", L"/regx", L"/reg x", L"/exec", L"/exec3:x",
                                    L"/exec640:x", L"/materialsdir:x", L"/unregisterall"}) {
        ResetOptionTable();
        EXPECT_EQ(Parse({argument}), ParseResult::kInvalid);
    }
}

TEST_F(ParseCommandLineTest, RepeatedOptionIsDuplicateBeforeAnyTestOfWhatFollowsItsName) {
    EXPECT_EQ(Parse({L"/name:a", L"/NAME:b"}), ParseResult::kDuplicate);
    EXPECT_EQ(Value(L"name"), L"a");
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/reg:x", L"/regx"}), ParseResult::kDuplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?", L"/?"}), ParseResult::kDuplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/unicode", L"/unicode:true"}), ParseResult::kDuplicate);
}

TEST_F(ParseCommandLineTest, FirstOffendingArgumentDecidesAndLaterOnesAreNotExamined) {
    EXPECT_EQ(Parse({L"/bogus", L"/name:a", L"/name:b"}), ParseResult::kInvalid);
    EXPECT_FALSE(Option(L"name").present);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:a", L"/name:b", L"/bogus"}), ParseResult::kDuplicate);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:a", L"/bogus", L"/reg:x"}), ParseResult::kInvalid);
    EXPECT_TRUE(Option(L"name").present);  // marked before the rejection
    EXPECT_FALSE(Option(L"reg").present);
}

TEST_F(ParseCommandLineTest, ValuesUpTo259CharactersFitAndLongerOnesAreRefusedUncut) {
    const std::wstring longest(kMaxOptionValueLength, L'v');
    EXPECT_EQ(Parse({L"/text:" + longest}), ParseResult::kOk);
    EXPECT_EQ(Value(L"text"), longest);
    EXPECT_EQ(Option(L"text").value[kMaxOptionValueLength], L'\0');

    // One character more is refused and nothing of it reaches the field, nor the next entry.
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/text:" + longest + L"w"}), ParseResult::kInvalid);
    EXPECT_EQ(Value(L"text"), L"");
    EXPECT_EQ(Value(L"unicode"), L"");
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/spares:" + std::wstring(5000, L'x')}), ParseResult::kInvalid);
}

TEST_F(ParseCommandLineTest, SearchesOnlyTheGivenNumberOfEntries) {
    EXPECT_EQ(Parse({L"/listxtops"}, 3), ParseResult::kOk);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/name:x"}, 3), ParseResult::kInvalid);
    ResetOptionTable();
    EXPECT_EQ(Parse({L"/?"}, 0), ParseResult::kInvalid);
    EXPECT_EQ(Parse({L"/?"}, -1), ParseResult::kInvalid);
    EXPECT_EQ(Parse({}, 0), ParseResult::kNoParams);
}

TEST_F(ParseCommandLineTest, OrderOfOptionsDoesNotChangeTheTable) {
    const std::vector<std::wstring> arguments = {L"/name:App", L"/exec32:C:\\a.dll", L"/unicode", L"/reg:r.txt",
                                                 L"/desc:D d", L"/startup",          L"/delay",   L"/spares:C:\\s"};
    // What the table holds: each option's presence and value, in table order.
    auto snapshot = [this] {
        std::vector<std::pair<bool, std::wstring>> entries;
        entries.reserve(kOptionCount);
        for (const CommandOption& option : table_) entries.emplace_back(option.present, option.value);
        return entries;
    };
    ASSERT_EQ(Parse(arguments), ParseResult::kOk);
    const auto first = snapshot();

    ResetOptionTable();
    ASSERT_EQ(Parse(std::vector<std::wstring>(arguments.rbegin(), arguments.rend())), ParseResult::kOk);
    EXPECT_EQ(snapshot(), first);
}

// Parses the arguments after a program name into run values.
ParseResult ParseInto(RunOptions& options, std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"tarnwick.exe");
    std::vector<const wchar_t*> pointers;
    pointers.reserve(arguments.size());
    for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
    return ParseRunOptions(static_cast<int>(pointers.size()), pointers.data(), options);
}

TEST(ParseRunOptions, GivesEveryOptionAsItsRunValue) {
    RunOptions options;
    ASSERT_EQ(ParseInto(options, {L"/?", L"/UNREGISTER", L"/listxtops", L"/name:App", L"/startup", L"/fail",
                                  L"/exec32:C:\\x86\\a.dll", L"/exec64:", L"/text:C:\\t", L"/unicode", L"/delay",
                                  L"/desc: d ", L"/reg:r.txt", L"/spares:C:\\s", L"/materials:C:\\m"}),
              ParseResult::kOk);
    EXPECT_TRUE(options.help);
    EXPECT_TRUE(options.unregister);
    EXPECT_TRUE(options.listXtops);
    EXPECT_EQ(options.name, L"App");
    EXPECT_EQ(options.startup, L"");  // given without a value: present and empty
    EXPECT_TRUE(options.fail);
    EXPECT_EQ(options.exec32, L"C:\\x86\\a.dll");
    EXPECT_EQ(options.exec64, L"");
    EXPECT_EQ(options.textDir, L"C:\\t");
    EXPECT_TRUE(options.unicode);
    EXPECT_TRUE(options.delay);
    EXPECT_EQ(options.description, L" d ");
    EXPECT_EQ(options.keyList, L"r.txt");
    EXPECT_EQ(options.sparesDir, L"C:\\s");
    EXPECT_EQ(options.materialsDir, L"C:\\m");
}

TEST(ParseRunOptions, OptionsNotGivenHoldNothing) {
    RunOptions options;
    ASSERT_EQ(ParseInto(options, {L"/name:App", L"/reg:r.txt"}), ParseResult::kOk);
    EXPECT_FALSE(options.help || options.unregister || options.listXtops || options.fail || options.unicode ||
                 options.delay);
    for (const std::optional<std::wstring>* value :
         {&options.startup, &options.exec32, &options.exec64, &options.textDir, &options.description,
          &options.sparesDir, &options.materialsDir}) {
        EXPECT_FALSE(value->has_value());
    }
    EXPECT_EQ(ValueOf(options.startup), L"");
}

TEST(ParseRunOptions, RejectedCommandLineLeavesTheRunValuesAsTheyWere) {
    RunOptions options;
    options.name = L"before";
    EXPECT_EQ(ParseInto(options, {L"/name:App", L"/bogus"}), ParseResult::kInvalid);
    EXPECT_EQ(ParseInto(options, {L"/name:App", L"/NAME:b"}), ParseResult::kDuplicate);
    EXPECT_EQ(ParseInto(options, {}), ParseResult::kNoParams);
    EXPECT_EQ(options.name, L"before");
    EXPECT_FALSE(options.keyList.has_value());
}

}  // namespace
}  // namespace tarnwick
