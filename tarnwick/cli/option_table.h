// The process-wide table of Tarnwick's 15 command-line options.
//
// Every reader addresses an entry by its fixed position (OptionIndex), never by searching the
// names. The parser is the only writer of `present` and `value`; after a successful parse the
// table is read-only.
#pragma once

#include <cstddef>

namespace tarnwick {

// Capacity of an option's value field in wide characters, terminator included (MAX_PATH).
inline constexpr std::size_t kOptionValueCapacity = 260;

struct CommandOption {
    bool present;                         // set by the parser when the option appeared
    const wchar_t* optionName;            // the name as typed after the slash
    bool takesValue;                      // whether ":value" may follow the name
    wchar_t value[kOptionValueCapacity];  // the text after the colon, NUL-terminated
    const wchar_t* helpText;              // the usage line printed under the option
};

inline constexpr int kOptionCount = 15;

enum OptionIndex : int {
    kOptHelp = 0,
    kOptUnregister = 1,
    kOptListXtops = 2,
    kOptName = 3,
    kOptStartup = 4,
    kOptFail = 5,
    kOptExec32 = 6,
    kOptExec64 = 7,
    kOptText = 8,
    kOptUnicode = 9,
    kOptDelay = 10,
    kOptDesc = 11,
    kOptReg = 12,
    kOptSpares = 13,
    kOptMaterials = 14,
};

extern CommandOption OptionTable[kOptionCount];

// Puts the table back into its initial state (every option absent, every value empty).
// The program never calls it; tests do, between cases.
void ResetOptionTable();

}  // namespace tarnwick
