// Parsing of Tarnwick's command line.
//
// Syntax: every option is one argument, a slash and the option's name in any letter case (only
// ASCII A-Z fold), then, for an option that takes a value, optionally a colon and the value,
// which runs verbatim to the end of the argument. Nothing else is accepted: no hyphen prefix, no
// equals sign, no value in the next argument, no abbreviated names.
#pragma once

#include "cli/option_table.h"
#include "run_options.h"

namespace tarnwick {

enum class ParseResult : int {
    kNoParams = 0,   // no argument after the program name
    kInvalid = 1,    // a malformed or unknown argument, or a value too long for its field
    kDuplicate = 2,  // an option given a second time
    kOk = 3,
};

// Longest value an option can hold: the field's capacity less the terminator. A longer value
// makes the command line kInvalid; it is never cut, since a cut path would name another file.
inline constexpr std::size_t kMaxOptionValueLength = kOptionValueCapacity - 1;

// Fills `table` (its first `optionCount` entries) from `arguments[1 .. argumentCount-1]` and
// reports the first offending argument's result; arguments after it are not examined. Entries
// marked before a rejected argument stay marked. Prints nothing.
ParseResult ParseCommandLine(int argumentCount, const wchar_t* const* arguments, int optionCount, CommandOption* table);

// Parses the wide argument vector (program name at index 0) into a fresh copy of kOptionTable and,
// when the command line is accepted (kOk), gives its run values in `options`, which is left as it
// was otherwise.
ParseResult ParseRunOptions(int argumentCount, const wchar_t* const* arguments, RunOptions& options);

}  // namespace tarnwick
