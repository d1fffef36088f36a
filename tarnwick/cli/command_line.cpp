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
    if (argument == nullptr || argument[0] != L'/' || argument[1] == L'\0') return ParseResult::Invalid;
    if (optionCount <= 0) return ParseResult::Invalid;

    const wchar_t* rest = argument + 1;
    CommandOption* option = nullptr;
    for (int i = 0; i < optionCount; ++i) {
        if (StartsWithName(rest, table[i].optionName)) {
            option = &table[i];
            break;
        }
    }
    if (option == nullptr) return ParseResult::Invalid;

    // A repeated option is reported as such even when what follows its name is malformed.
    if (option->present) return ParseResult::Duplicate;
    option->present = true;

    const wchar_t* afterName = rest + std::wcslen(option->optionName);
    if (*afterName == L'\0') return ParseResult::Ok;
    if (!option->takesValue || *afterName != L':') return ParseResult::Invalid;

    const wchar_t* value = afterName + 1;
    std::size_t length = std::wcslen(value);
    if (length > kMaxOptionValueLength) return ParseResult::Invalid;
    std::wmemcpy(option->value, value, length + 1);
    return ParseResult::Ok;
}

std::optional<std::wstring> ValueIfPresent(const CommandOption& option) {
    if (!option.present) return std::nullopt;
    return std::wstring(option.value, wcsnlen(option.value, kOptionValueCapacity));
}

}  // namespace

ParseResult ParseCommandLine(int argumentCount, const wchar_t* const* arguments, int optionCount,
                             CommandOption* table) {
    if (argumentCount <= 1) return ParseResult::NoParams;
    for (int i = 1; i < argumentCount; ++i) {
        ParseResult result = ParseArgument(arguments[i], optionCount, table);
        if (result != ParseResult::Ok) return result;
    }
    return ParseResult::Ok;
}

RunOptions RunOptionsFrom(const OptionTable& table) {
    RunOptions options;
    options.help = table[OptionIndex::kHelp].present;
    options.unregister = table[OptionIndex::kUnregister].present;
    options.listXtops = table[OptionIndex::kListXtops].present;
    options.name = ValueIfPresent(table[OptionIndex::kName]);
    options.startup = ValueIfPresent(table[OptionIndex::kStartup]);
    options.fail = table[OptionIndex::kFail].present;
    options.exec32 = ValueIfPresent(table[OptionIndex::kExec32]);
    options.exec64 = ValueIfPresent(table[OptionIndex::kExec64]);
    options.textDir = ValueIfPresent(table[OptionIndex::kText]);
    options.unicode = table[OptionIndex::kUnicode].present;
    options.delay = table[OptionIndex::kDelay].present;
    options.description = ValueIfPresent(table[OptionIndex::kDesc]);
    options.keyList = ValueIfPresent(table[OptionIndex::kReg]);
    options.sparesDir = ValueIfPresent(table[OptionIndex::kSpares]);
    options.materialsDir = ValueIfPresent(table[OptionIndex::kMaterials]);
    return options;
}

ParseResult ParseRunOptions(int argumentCount, const wchar_t* const* arguments, RunOptions& options) {
    OptionTable table = kOptionTable;
    const ParseResult result = ParseCommandLine(argumentCount, arguments, kOptionCount, table.entries);
    if (result == ParseResult::Ok) options = RunOptionsFrom(table);
    return result;
}

}  // namespace tarnwick
