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
            steps.findLoadpoints();
            steps.listLoadpoints();
            return kExitOther;
        case Run::Register:
        case Run::Unregister:
            break;
    }
    steps.writeLine(kBannerLine);
    steps.findLoadpoints();
    steps.listLoadpoints();
    steps.updateLoadpointRegistryFiles();
    steps.writeSpareRegistryFiles();
    if (run == Run::Register) steps.installMaterials();
    return kExitRegistrationRun;
}

}  // namespace tarnwick
