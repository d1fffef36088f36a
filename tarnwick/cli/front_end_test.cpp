#include "cli/front_end.h"

#include "cli/expected_usage_text.h"
#include "cli/option_table.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// What the run steps did, in order: printed lines as they are, the operations by name in brackets.
std::vector<std::wstring> journal;

void RecordLine(const wchar_t* text) {
    journal.push_back(text);
}

Loadpoints RecordSearch(const RunOptions&) {
    journal.push_back(L"[FindLoadpoints]");
    return {};
}

const RunSteps kRecordingSteps{
    RecordLine,
    RecordSearch,
    [](const RunOptions&, const Loadpoints&) { journal.push_back(L"[ListLoadpoints]"); },
    [](const RunOptions&, const Loadpoints&) { journal.push_back(L"[UpdateLoadpointRegistryFiles]"); },
    [](const RunOptions&) { journal.push_back(L"[WriteSpareRegistryFiles]"); },
    [](const RunOptions&, const Loadpoints&) { journal.push_back(L"[InstallMaterials]"); },
};

struct Outcome {
    int exitCode;
    std::vector<std::wstring> journal;
};

Outcome RunMain(std::vector<std::wstring> arguments) {
    journal.clear();
    arguments.insert(arguments.begin(), L"tarnwick.exe");
    std::vector<const wchar_t*> pointers;
    pointers.reserve(arguments.size());
    for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
    int exitCode = TarnwickMain(static_cast<int>(pointers.size()), pointers.data(), kRecordingSteps);
    return {exitCode, journal};
}

using Lines = std::vector<std::wstring>;

TEST(TarnwickMain, RejectedCommandLinesPrintOneMessageAndEndWithZero) {
    struct Case {
        std::vector<std::wstring> arguments;
        const wchar_t* message;
    } cases[] = {
        {{}, kNoParamsMessage},
        {{L"/bogus"}, kInvalidMessage},
        {{L"-?"}, kInvalidMessage},
        {{L"/?", L"/?"}, kDuplicateMessage},
        {{L"/name:a", L"/name:a"}, kDuplicateMessage},
        {{L"/listxtops"}, kInvalidMessage},               // validation: /reg missing
        {{L"/name:App"}, kInvalidMessage},                // validation: /reg missing
        {{L"/reg:r", L"/name"}, kInvalidMessage},         // validation: /name empty
        {{L"/reg:r", L"/name:\u4E2D"}, kInvalidMessage},  // validation: not 8-bit
    };
    for (const Case& c : cases) {
        Outcome outcome = RunMain(c.arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.journal, Lines{c.message});
    }
}

TEST(TarnwickMain, HelpRunPrintsTheUsageTextAndNothingElse) {
    Outcome outcome = RunMain({L"/name:a", L"/listxtops", L"/?", L"/unregister"});
    EXPECT_EQ(outcome.exitCode, 0);
    const Lines& lines = outcome.journal;
    EXPECT_EQ(lines, test::UsageLines());
    ASSERT_EQ(lines.size(), 2u + 2u * kOptionTable.size());
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_EQ(lines[2 + 2 * i], std::wstring(L"/") + kOptionTable[i].optionName);
        EXPECT_EQ(lines[3 + 2 * i], std::wstring(L"\t") + kOptionTable[i].helpText);
    }
}

TEST(TarnwickMain, ListRunSearchesAndListsWithoutBanner) {
    const Lines steps = {L"[FindLoadpoints]", L"[ListLoadpoints]"};
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"/listxtops", L"/reg:keys.txt"},
          {L"/reg", L"/listxtops"},
          {L"/listxtops", L"/reg:r", L"/name:App", L"/unregister", L"/exec64:x"}}) {
        Outcome outcome = RunMain(arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.journal, steps);
    }
}

TEST(TarnwickMain, RegistrationRunCallsEveryStepInOrderAndEndsWithOne) {
    Outcome outcome = RunMain({L"/name:App", L"/reg:r", L"/exec64:C:\\a.dll", L"/materials:C:\\m"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.journal,
              (Lines{kBannerLine, L"[FindLoadpoints]", L"[ListLoadpoints]", L"[UpdateLoadpointRegistryFiles]",
                     L"[WriteSpareRegistryFiles]", L"[InstallMaterials]"}));

    Outcome bare = RunMain({L"/reg:r", L"/name:App"});
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_EQ(bare.journal, outcome.journal);
}

TEST(TarnwickMain, StepThatCannotFinishIsPassedOverAndTheRunGoesOn) {
    // A step that runs out of memory (a file too large for the process) must not end the program:
    // the later steps still run and the exit code stays the run's.
    const RunSteps throwing{
        RecordLine,
        RecordSearch,
        [](const RunOptions&, const Loadpoints&) { journal.push_back(L"[ListLoadpoints]"); },
        [](const RunOptions&, const Loadpoints&) {
            journal.push_back(L"[UpdateLoadpointRegistryFiles]");
            throw std::bad_alloc();
        },
        [](const RunOptions&) { journal.push_back(L"[WriteSpareRegistryFiles]"); },
        [](const RunOptions&, const Loadpoints&) { journal.push_back(L"[InstallMaterials]"); },
    };
    journal.clear();
    const wchar_t* arguments[] = {L"tarnwick.exe", L"/name:App", L"/reg:r", L"/exec32:C:\\a.dll"};
    EXPECT_EQ(TarnwickMain(4, arguments, throwing), 1);
    EXPECT_EQ(journal, (Lines{kBannerLine, L"[FindLoadpoints]", L"[ListLoadpoints]", L"[UpdateLoadpointRegistryFiles]",
                              L"[WriteSpareRegistryFiles]", L"[InstallMaterials]"}));
}

// What a step was handed: its name, the /name value and the loadpoints of each view.
std::wstring Handed(const wchar_t* step, const RunOptions& options, const Loadpoints& loadpoints) {
    std::wstring text = std::wstring(step) + L" " + std::wstring(ValueOf(options.name));
    for (const LoadpointList* list : {&loadpoints.thirtyTwoBit, &loadpoints.sixtyFourBit}) {
        text += L" |";
        for (const LoadpointPath& path : *list) text += L" " + std::wstring(path.begin(), path.end());
    }
    return text;
}

TEST(TarnwickMain, EveryLaterStepGetsTheRunValuesAndWhatTheSearchFound) {
    const RunSteps handing{
        RecordLine,
        [](const RunOptions& options) {
            journal.push_back(L"search " + std::wstring(ValueOf(options.keyList)));
            return Loadpoints{{"C:\\a", "C:\\b"}, {"D:\\c"}};
        },
        [](const RunOptions& o, const Loadpoints& l) { journal.push_back(Handed(L"list", o, l)); },
        [](const RunOptions& o, const Loadpoints& l) { journal.push_back(Handed(L"update", o, l)); },
        [](const RunOptions& o) { journal.push_back(L"spares " + std::wstring(ValueOf(o.sparesDir))); },
        [](const RunOptions& o, const Loadpoints& l) { journal.push_back(Handed(L"materials", o, l)); },
    };
    journal.clear();
    const wchar_t* arguments[] = {L"tarnwick.exe", L"/name:App", L"/reg:keys.txt", L"/spares:C:\\s"};
    EXPECT_EQ(TarnwickMain(4, arguments, handing), 1);
    EXPECT_EQ(journal,
              (Lines{kBannerLine, L"search keys.txt", L"list App | C:\\a C:\\b | D:\\c",
                     L"update App | C:\\a C:\\b | D:\\c", L"spares C:\\s", L"materials App | C:\\a C:\\b | D:\\c"}));
}

TEST(TarnwickMain, UnregistrationRunSkipsTheMaterials) {
    Outcome outcome = RunMain({L"/unregister", L"/name:App", L"/reg:r", L"/materials:C:\\m", L"/spares:C:\\s"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.journal, (Lines{kBannerLine, L"[FindLoadpoints]", L"[ListLoadpoints]",
                                      L"[UpdateLoadpointRegistryFiles]", L"[WriteSpareRegistryFiles]"}));
}

TEST(ChooseRun, HelpBeforeListBeforeRegistration) {
    RunOptions options;
    EXPECT_EQ(ChooseRun(options), Run::kRegister);
    options.unregister = true;
    EXPECT_EQ(ChooseRun(options), Run::kUnregister);
    options.listXtops = true;
    EXPECT_EQ(ChooseRun(options), Run::kList);
    options.help = true;
    EXPECT_EQ(ChooseRun(options), Run::kHelp);
}

}  // namespace
}  // namespace tarnwick
