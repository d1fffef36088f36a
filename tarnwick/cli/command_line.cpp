#include "cli/command_line.h"

#include <cwchar>
#include <optional>
#include <string>

#include "ascii.h"

namespace tarnwick {

namespace {

// Whether `name` is a case-insensitive prefix of `text`.
bool StartsWithName(const wchar_t* text, const wchar_t* name) {
    for (; *name != L'\0'; ++text, ++name) {
        if (*text == L'\0' || FoldAscii(*text) != FoldAscii(*name)) return false;
    }
    return true;
}

ParseResult ParseArgument(const wchar_t* argument, int optionCount, CommandOption* table) {
    if (argument == nullptr || argument[0] != L'/' || argument[1] == L'\0') return ParseResult::kInvalid;
    if (optionCount <= 0) return ParseResult::kInvalid;

    const wchar_t* rest = argument + 1;
    CommandOption* option = nullptr;
    for (int i = 0; i < optionCount; ++i) {
        if (StartsWithName(rest, table[i].optionName)) {
            option = &table[i];
            break;
        }
    }
    if (option == nullptr) return ParseResult::kInvalid;

    // A repeated option is reported as such even when what follows its name is malformed.
    if (option->present) return ParseResult::kDuplicate;
    option->present = true;

    const wchar_t* afterName = rest + std::wcslen(option->optionName);
    if (*afterName == L'\0') return ParseResult::kOk;
    if (!option->takesValue || *afterName != L':') return ParseResult::kInvalid;

    const wchar_t* value = afterName + 1;
    std::size_t length = std::wcslen(value);
    if (length > kMaxOptionValueLength) return ParseResult::kInvalid;
    std::wmemcpy(option->value, value, length + 1);
    return ParseResult::kOk;
}

// The run values that a filled table holds, each in the member its row names.
RunOptions RunOptionsFrom(const OptionTable& table) {
    RunOptions options;
    for (const CommandOption& option : table) {
        if (!option.present) continue;
        if (option.takesValue) {
            options.*option.text = std::wstring(option.value, wcsnlen(option.value, kOptionValueCapacity));
        } else {
            options.*option.flag = true;
        }
    }
    return options;
}

}  // namespace

ParseResult ParseCommandLine(int argumentCount, const wchar_t* const* arguments, int optionCount,
                             CommandOption* table) {
    if (argumentCount <= 1) return ParseResult::kNoParams;
    for (int i = 1; i < argumentCount; ++i) {
        ParseResult result = ParseArgument(arguments[i], optionCount, table);
        if (result != ParseResult::kOk) return result;
    }
    return ParseResult::kOk;
}

ParseResult ParseRunOptions(int argumentCount, const wchar_t* const* arguments, RunOptions& options) {
    OptionTable table = kOptionTable;
    const ParseResult result = ParseCommandLine(argumentCount, arguments, kOptionCount, table.data());
    if (result == ParseResult::kOk) options = RunOptionsFrom(table);
    return result;
}

}  // namespace tarnwick
