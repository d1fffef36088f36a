#include "cli/validation.h"

#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

class ValidateOptionsTest : public ::testing::Test {
protected:
    // Parses the arguments into fresh run values and validates them.
    static bool Valid(std::vector<std::wstring> arguments) {
        arguments.insert(arguments.begin(), L"tarnwick.exe");
        std::vector<const wchar_t*> pointers;
        pointers.reserve(arguments.size());
        for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
        RunOptions options;
        EXPECT_EQ(ParseRunOptions(static_cast<int>(pointers.size()), pointers.data(), options), ParseResult::kOk);
        return ValidateOptions(options);
    }
};

TEST_F(ValidateOptionsTest, HelpIsValidWhateverElseIsGiven) {
    EXPECT_TRUE(Valid({L"/?"}));
    EXPECT_TRUE(Valid({L"/listxtops", L"/?"}));
    EXPECT_TRUE(Valid({L"/name", L"/?", L"/exec32:\u4E2D"}));
}

TEST_F(ValidateOptionsTest, ListRunNeedsRegOnlyAndMayHaveAnEmptyValue) {
    EXPECT_FALSE(Valid({L"/listxtops"}));
    EXPECT_FALSE(Valid({L"/listxtops", L"/name:App", L"/exec64:x"}));
    EXPECT_TRUE(Valid({L"/listxtops", L"/reg"}));
    EXPECT_TRUE(Valid({L"/listxtops", L"/reg:"}));
    // Everything else is ignored, even what a registration run would refuse.
    EXPECT_TRUE(Valid({L"/listxtops", L"/reg:r", L"/name: ", L"/unregister", L"/desc:\u4E2D"}));
}

TEST_F(ValidateOptionsTest, NameAndRegMustBothHaveValues) {
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:r"}));
    EXPECT_FALSE(Valid({L"/reg:r"}));
    EXPECT_FALSE(Valid({L"/name:App"}));
    EXPECT_FALSE(Valid({L"/name", L"/reg:r"}));
    EXPECT_FALSE(Valid({L"/name:", L"/reg:r", L"/unregister"}));
    EXPECT_FALSE(Valid({L"/name:App", L"/reg", L"/unregister"}));
    EXPECT_FALSE(Valid({L"/unregister", L"/exec32:a", L"/exec64:b"}));
}

TEST_F(ValidateOptionsTest, RegisteringNeedsNoExecutable) {
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:r", L"/materials:C:\\m"}));
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:r", L"/exec32"}));
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:r", L"/exec64:C:\\x64\\a.dll"}));
}

TEST_F(ValidateOptionsTest, OtherOptionsAreNeverExamined) {
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:r", L"/startup", L"/fail", L"/text:", L"/unicode", L"/delay", L"/desc",
                       L"/spares", L"/materials:"}));
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:does not exist\\nowhere.txt", L"/spares:Q:\\none"}));
}

TEST_F(ValidateOptionsTest, RegisteringRefusesValuesThatDoNotFitEightBitFiles) {
    // Every character up to U+00FF is stored as its own byte and is fine.
    const std::wstring latin1 = L"Z\u00FCrich \u00E9t\u00E9 \u00FF\u00A0";
    EXPECT_TRUE(Valid({L"/name:" + latin1, L"/reg:r", L"/startup:" + latin1, L"/text:" + latin1, L"/desc:" + latin1,
                       L"/exec32:" + latin1, L"/exec64:" + latin1}));

    for (const wchar_t* option : {L"/name:", L"/startup:", L"/text:", L"/desc:", L"/exec32:", L"/exec64:"}) {
        for (const wchar_t* wide : {L"\u0100", L"Caf\u00E9 \u20AC", L"\u4E2D\u6587", L"\U0001F600"}) {
            std::vector<std::wstring> arguments = {L"/reg:r", std::wstring(option) + L"a" + wide + L"b"};
            if (std::wstring(option) != L"/name:") arguments.push_back(L"/name:App");
            EXPECT_FALSE(Valid(arguments)) << option << wide;
        }
    }
}

TEST_F(ValidateOptionsTest, WideCharactersAreFineWhereNothingIsWrittenIntoRegistryFiles) {
    // Unregistering writes no entry; /reg, /spares and /materials are paths handed to the system.
    EXPECT_TRUE(Valid({L"/name:\u4E2D", L"/reg:r", L"/unregister", L"/exec64:\u4E2D"}));
    EXPECT_TRUE(Valid({L"/name:App", L"/reg:C:\\\u4E2D\\keys.txt", L"/spares:C:\\\u4E2D", L"/materials:\u4E2D"}));
}

TEST_F(ValidateOptionsTest, RegisteringRefusesABlankName) {
    EXPECT_FALSE(Valid({L"/name: ", L"/reg:r"}));
    EXPECT_FALSE(Valid({L"/name:\t \t", L"/reg:r", L"/exec32:a"}));
    // Only spaces and tabs count as blank.
    EXPECT_TRUE(Valid({L"/name:\u00A0", L"/reg:r"}));
    EXPECT_TRUE(Valid({L"/name: a ", L"/reg:r"}));
    // Unregistering with a blank name matches no entry and removes nothing; it is let through.
    EXPECT_TRUE(Valid({L"/name: ", L"/reg:r", L"/unregister"}));
}

}  // namespace
}  // namespace tarnwick
