// Tests only: the usage text that the help run must print, made from kOptionTable, so that a new
// option needs no edit here. The option names and descriptions themselves are pinned against the
// README's option table (readme_option_table_test.cpp), which users read.
#pragma once

#include <string>
#include <vector>

#include "cli/option_table.h"

namespace tarnwick::test {

// The whole text, one entry per line: the banner, "Usage params:", then for each option "/" and its
// name, and a tab and its description.
inline std::vector<std::wstring> UsageLines() {
    std::vector<std::wstring> lines = {L"Pro/TOOLKIT integration utility", L"Usage params:"};
    for (const CommandOption& option : kOptionTable) {
        lines.push_back(std::wstring(L"/") + option.optionName);
        lines.push_back(std::wstring(L"\t") + option.helpText);
    }
    return lines;
}

}  // namespace tarnwick::test
