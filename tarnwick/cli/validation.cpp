#include "cli/validation.h"

#include <algorithm>

#include "ascii.h"
#include "cli/option_table.h"

namespace tarnwick {

namespace {

bool HasValue(const std::optional<std::wstring>& value) {
    return value && !value->empty();
}

// The registry files hold one byte per character, U+0000 to U+00FF; anything above could only
// be written corrupted.
bool FitsInEightBits(const std::optional<std::wstring>& value) {
    return !value ||
           std::all_of(value->begin(), value->end(), [](wchar_t c) { return static_cast<unsigned long>(c) <= 0xFFu; });
}

}  // namespace

bool ValidateOptions(const RunOptions& options) {
    if (options.help) return true;
    if (options.listXtops) return options.keyList.has_value();
    if (!HasValue(options.name) || !HasValue(options.keyList)) return false;
    if (options.unregister) return true;

    for (const CommandOption& option : kOptionTable) {
        if (option.inRegistryFile && !FitsInEightBits(options.*option.text)) return false;
    }
    // Entries are matched by their trimmed name, so a name of blanks alone would be written as a
    // nameless entry that nothing could ever find again.
    return !std::all_of(options.name->begin(), options.name->end(), IsBlank<wchar_t>);
}

}  // namespace tarnwick
