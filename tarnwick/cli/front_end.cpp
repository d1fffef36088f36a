#include "cli/front_end.h"

#include "cli/command_line.h"
#include "cli/option_table.h"
#include "cli/validation.h"

#include <string>

namespace tarnwick {

Run ChooseRun() {
    if (OptionTable[kOptHelp].present) return Run::Help;
    if (OptionTable[kOptListXtops].present) return Run::List;
    return OptionTable[kOptUnregister].present ? Run::Unregister : Run::Register;
}

void WriteUsageText(void (*writeLine)(const wchar_t*)) {
    writeLine(kBannerLine);
    writeLine(L"Usage params:");
    for (const CommandOption& option : OptionTable) {
        writeLine((std::wstring(L"/") + option.optionName).c_str());
        writeLine((std::wstring(L"\t") + option.helpText).c_str());
    }
}

namespace {

// Every step passes over what it cannot do and the run goes on; a step that could not even finish
// (memory ran out on a file too large for the process) is passed over the same way, so that the
// later steps still run and the exit code stays the run's.
void RunStep(void (*step)()) {
    try {
        step();
    } catch (...) {  // passed over on purpose, as every other failure of a step
    }
}

}  // namespace

int TarnwickMain(int argumentCount, const wchar_t* const* arguments, const RunSteps& steps) {
    switch (ParseCommandLine(argumentCount, arguments, kOptionCount, OptionTable)) {
        case NoParams:
            steps.writeLine(kNoParamsMessage);
            return kExitOther;
        case Invalid:
            steps.writeLine(kInvalidMessage);
            return kExitOther;
        case Duplicate:
            steps.writeLine(kDuplicateMessage);
            return kExitOther;
        default:
            break;
    }
    if (!ValidateOptions()) {
        steps.writeLine(kInvalidMessage);
        return kExitOther;
    }

    const Run run = ChooseRun();
    switch (run) {
        case Run::Help:
            WriteUsageText(steps.writeLine);
            return kExitOther;
        case Run::List:
            // No banner: the list run's output is only what the listing prints.
            RunStep(steps.findLoadpoints);
            RunStep(steps.listLoadpoints);
            return kExitOther;
        case Run::Register:
        case Run::Unregister:
            break;
    }
    steps.writeLine(kBannerLine);
    RunStep(steps.findLoadpoints);
    RunStep(steps.listLoadpoints);
    RunStep(steps.updateLoadpointRegistryFiles);
    RunStep(steps.writeSpareRegistryFiles);
    if (run == Run::Register) RunStep(steps.installMaterials);
    return kExitRegistrationRun;
}

}  // namespace tarnwick
