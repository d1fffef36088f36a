// The real tarnwick.exe under the platform: exact standard-output bytes and exit codes of the
// help run, the messages and the choice of run.
#include "cli/expected_usage_text.h"
#include "cli/option_table.h"
#include "testkit/files_win.h"
#include "tests/tarnwick_test_support_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

const std::string kNoParams = "No input params specified, use /? for help";
const std::string kInvalid = "Invalid input params specified, use /? for help";
const std::string kDuplicate = "Duplicate input params specified, use /? for help";

// The usage text as the help run writes it: each line ends in CR LF.
std::string UsageText() {
    std::vector<std::string> lines;
    for (const std::wstring& line : UsageLines()) lines.emplace_back(line.begin(), line.end());
    return Lines(lines);
}

const std::string kUsageText = UsageText();

const std::string kRegistrationRunOutput = Lines({kBanner, "No Pro/ENGINEER / Creo loadpoints have been found"});

// A registry-key list file naming a key that no machine has, so that the search finds nothing.
class FrontEndRun : public ::testing::Test {
protected:
    void SetUp() override {
        keyList_ = dir_.path() + L"\\keys.txt";
        ASSERT_TRUE(WriteFileBytes(keyList_, "SOFTWARE\\TarnwickCliTest\\NoSuchKey\r\n"));
    }
    std::wstring RegOption() const { return L"/reg:" + keyList_; }

    TempFolder dir_;
    std::wstring keyList_;
};

TEST(HelpRun, PrintsExactlyTheUsageTextTwoLinesPerOption) {
    ProcessResult run = RunTarnwick({L"/?"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, kUsageText);
    std::size_t lines = 0;
    for (char c : run.output) lines += (c == '\n');
    EXPECT_EQ(lines, 2u + 2u * kOptionTable.size());
}

TEST(HelpRun, OtherWellFormedOptionsAreNeitherValidatedNorRun) {
    for (const std::vector<std::wstring>& arguments : {
             std::vector<std::wstring>{L"/listxtops", L"/?"},
             {L"/NAME", L"/unregister", L"/?", L"/exec32:\u4E2D"},
             {L"/name:App", L"/reg:C:\\nowhere.txt", L"/exec64:C:\\a.dll", L"/?"},
         }) {
        ProcessResult run = RunTarnwick(arguments);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, kUsageText);
    }
}

TEST(RejectedCommandLine, EachMessageIsOneLineWithExitCodeZero) {
    struct Case {
        std::vector<std::wstring> arguments;
        const std::string& message;
    } cases[] = {
        {{}, kNoParams},
        {{L"/?", L"/?"}, kDuplicate},
        {{L"/name:a", L"/NAME:b", L"/reg:r"}, kDuplicate},
        {{L"/reg:x", L"/regx"}, kDuplicate},
        {{L"/?:x"}, kInvalid},
        {{L"-?"}, kInvalid},
        {{L"/name=App", L"/reg:r"}, kInvalid},
        {{L"/name", L"App", L"/reg:r"}, kInvalid},
        {{L"/uni"}, kInvalid},
        {{L"/unicode:true", L"/?"}, kInvalid},
        {{L"/bogus", L"/?", L"/?"}, kInvalid},
        {{L"/?", L"/?", L"/bogus"}, kDuplicate},
        {{L"/listxtops"}, kInvalid},
        {{L"/reg:r", L"/name"}, kInvalid},
        {{L"/name:App"}, kInvalid},
        {{L"/unregister", L"/name:App"}, kInvalid},
        {{L"/name:\t ", L"/reg:r"}, kInvalid},
    };
    for (const Case& c : cases) {
        ProcessResult run = RunTarnwick(c.arguments);
        EXPECT_EQ(run.exitCode, 0u) << c.message;
        EXPECT_EQ(run.output, Lines({c.message}));
    }
}

TEST(RejectedCommandLine, ValueLongerThan259CharactersIsRefusedNotCut) {
    ProcessResult longest = RunTarnwick({L"/?", L"/text:" + std::wstring(259, L'x')});
    EXPECT_EQ(longest.output, kUsageText);
    ProcessResult tooLong = RunTarnwick({L"/?", L"/text:" + std::wstring(260, L'x')});
    EXPECT_EQ(tooLong.exitCode, 0u);
    EXPECT_EQ(tooLong.output, Lines({kInvalid}));
}

TEST_F(FrontEndRun, ListRunPrintsNoBannerAndEndsWithZero) {
    ProcessResult run = RunTarnwick({L"/listxtops", RegOption()});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");

    // Registration options are ignored by the list run.
    run = RunTarnwick({L"/name:App", L"/unregister", RegOption(), L"/LISTXTOPS", L"/exec64:C:\\x.dll"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");

    // /reg without a value: an empty file path, nothing found, nothing printed.
    run = RunTarnwick({L"/listxtops", L"/reg"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");
}

// The registration run prints the banner, then the listing, which finds nothing here.
TEST_F(FrontEndRun, RegistrationRunPrintsTheBannerAndEndsWithOne) {
    for (const std::vector<std::wstring>& arguments : {
             std::vector<std::wstring>{L"/name:App", RegOption()},
             {RegOption(), L"/name:App", L"/unregister"},
             {L"/name:App", RegOption(), L"/startup:dll", L"/fail", L"/text", L"/unicode", L"/delay", L"/desc:"},
         }) {
        ProcessResult run = RunTarnwick(arguments);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.output, kRegistrationRunOutput);
    }
}

TEST_F(FrontEndRun, NonAsciiArgumentsReachTheProgramWhole) {
    // Latin-1 values can go into the 8-bit registry files: a registration run.
    ProcessResult run = RunTarnwick({L"/name:Z\u00FCrich \u00E9t\u00E9", RegOption(), L"/desc:\u00A9 \u00FF",
                                     L"/exec64:C:\\Program Files\\Caf\u00E9\\app.dll"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.output, kRegistrationRunOutput);

    // Anything above U+00FF in a value written into the registry files is refused.
    for (std::wstring option : {L"/name:\u540D\u524D", L"/exec32:C:\\\u0100.dll", L"/text:\U0001F600"}) {
        std::vector<std::wstring> arguments = {RegOption(), option};
        if (option.rfind(L"/name:", 0) != 0) arguments.push_back(L"/name:App");
        run = RunTarnwick(arguments);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, Lines({kInvalid}));
    }

    // Unregistering writes nothing into the files, so any name is accepted.
    run = RunTarnwick({L"/name:\u540D\u524D", RegOption(), L"/unregister"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.output, kRegistrationRunOutput);

    // A key-list path with non-ASCII characters is a path like any other.
    TempFolder wide;
    run = RunTarnwick({L"/listxtops", L"/reg:" + wide.path() + L"\\\u00DCn\u00EF\u540D.txt"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");
}

}  // namespace
}  // namespace tarnwick::e2e
