#include "cli/command_line.h"

#include <cwchar>

namespace tarnwick {

namespace {

// The runtime library's locale is never changed, so only A-Z fold onto a-z.
wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Whether `name` is a case-insensitive prefix of `text`.
bool StartsWithName(const wchar_t* text, const wchar_t* name) {
    for (; *name != L'\0'; ++text, ++name) {
        if (*text == L'\0' || FoldAscii(*text) != FoldAscii(*name)) return false;
    }
    return true;
}

ParseResult ParseArgument(const wchar_t* argument, int optionCount, CommandOption* table) {
    if (argument == nullptr || argument[0] != L'/' || argument[1] == L'\0') return Invalid;
    if (optionCount <= 0) return Invalid;

    const wchar_t* rest = argument + 1;
    CommandOption* option = nullptr;
    for (int i = 0; i < optionCount; ++i) {
        if (StartsWithName(rest, table[i].optionName)) {
            option = &table[i];
            break;
        }
    }
    if (option == nullptr) return Invalid;

    // A repeated option is reported as such even when what follows its name is malformed.
    if (option->present) return Duplicate;
    option->present = true;

    const wchar_t* afterName = rest + std::wcslen(option->optionName);
    if (*afterName == L'\0') return Ok;
    if (!option->takesValue || *afterName != L':') return Invalid;

    const wchar_t* value = afterName + 1;
    std::size_t length = std::wcslen(value);
    if (length > kMaxOptionValueLength) return Invalid;
    std::wmemcpy(option->value, value, length + 1);
    return Ok;
}

}  // namespace

ParseResult ParseCommandLine(int argumentCount, const wchar_t* const* arguments, int optionCount,
                             CommandOption* table) {
    if (argumentCount <= 1) return NoParams;
    for (int i = 1; i < argumentCount; ++i) {
        ParseResult result = ParseArgument(arguments[i], optionCount, table);
        if (result != Ok) return result;
    }
    return Ok;
}

}  // namespace tarnwick
