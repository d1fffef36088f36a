#include "cli/validation.h"

#include "cli/option_table.h"

#include <initializer_list>

namespace tarnwick {

namespace {

bool HasValue(const CommandOption& option) {
    return option.present && option.value[0] != L'\0';
}

// The registry files hold one byte per character, U+0000 to U+00FF; anything above could only
// be written corrupted.
bool FitsInEightBits(const CommandOption& option) {
    if (!option.present) return true;
    for (const wchar_t* c = option.value; *c != L'\0'; ++c) {
        if (static_cast<unsigned long>(*c) > 0xFFu) return false;
    }
    return true;
}

// Entries are matched by their trimmed name, so a name of blanks alone would be written as a
// nameless entry that nothing could ever find again.
bool IsBlank(const wchar_t* text) {
    for (; *text != L'\0'; ++text) {
        if (*text != L' ' && *text != L'\t') return false;
    }
    return true;
}

}  // namespace

bool ValidateOptions() {
    const CommandOption* table = OptionTable;
    if (table[kOptHelp].present) return true;
    if (table[kOptListXtops].present) return table[kOptReg].present;
    if (!HasValue(table[kOptName]) || !HasValue(table[kOptReg])) return false;
    if (table[kOptUnregister].present) return true;

    for (int index : {kOptName, kOptStartup, kOptText, kOptDesc, kOptExec32, kOptExec64}) {
        if (!FitsInEightBits(table[index])) return false;
    }
    return !IsBlank(table[kOptName].value);
}

}  // namespace tarnwick
