#include "cli/front_end.h"

#include <string>

#include "cli/command_line.h"
#include "cli/option_table.h"
#include "cli/validation.h"

namespace tarnwick {

Run ChooseRun(const RunOptions& options) {
    if (options.help) return Run::kHelp;
    if (options.listXtops) return Run::kList;
    return options.unregister ? Run::kUnregister : Run::kRegister;
}

void WriteUsageText(void (*writeLine)(const wchar_t*)) {
    writeLine(kBannerLine);
    writeLine(L"Usage params:");
    for (const CommandOption& option : kOptionTable) {
        writeLine((std::wstring(L"/") + option.optionName).c_str());
        writeLine((std::wstring(L"\t") + option.helpText).c_str());
    }
}

namespace {

// Every step passes over what it cannot do and the run goes on; a step that could not even finish
// (memory ran out on a file too large for the process) is passed over the same way, so that the
// later steps still run and the exit code stays the run's.
template <typename Step>
void RunStep(Step&& step) {
    try {
        step();
    } catch (...) {  // passed over on purpose, as every other failure of a step
    }
}

}  // namespace

int TarnwickMain(int argumentCount, const wchar_t* const* arguments, const RunSteps& steps) {
    RunOptions options;
    switch (ParseRunOptions(argumentCount, arguments, options)) {
        case ParseResult::kNoParams:
            steps.writeLine(kNoParamsMessage);
            return kExitOther;
        case ParseResult::kInvalid:
            steps.writeLine(kInvalidMessage);
            return kExitOther;
        case ParseResult::kDuplicate:
            steps.writeLine(kDuplicateMessage);
            return kExitOther;
        case ParseResult::kOk:
            break;
    }
    if (!ValidateOptions(options)) {
        steps.writeLine(kInvalidMessage);
        return kExitOther;
    }

    const Run run = ChooseRun(options);
    if (run == Run::kHelp) {
        WriteUsageText(steps.writeLine);
        return kExitOther;
    }
    // The list run prints no banner: its output is only what the listing prints.
    if (run != Run::kList) steps.writeLine(kBannerLine);
    Loadpoints loadpoints;
    RunStep([&] { loadpoints = steps.findLoadpoints(options); });
    RunStep([&] { steps.listLoadpoints(options, loadpoints); });
    if (run == Run::kList) return kExitOther;
    RunStep([&] { steps.updateLoadpointRegistryFiles(options, loadpoints); });
    RunStep([&] { steps.writeSpareRegistryFiles(options); });
    if (run == Run::kRegister) RunStep([&] { steps.installMaterials(options, loadpoints); });
    return kExitRegistrationRun;
}

}  // namespace tarnwick
