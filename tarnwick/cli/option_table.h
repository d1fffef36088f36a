// Tarnwick's 15 command-line options in their fixed order: the table the parser fills and the
// usage text lists.
//
// Every reader addresses an entry by its fixed position (OptionIndex), never by searching the
// names. kOptionTable is the table as a run starts (every option absent, every value empty) and
// is never written: each parse fills a copy of its own.
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

enum class OptionIndex : int {
    kHelp = 0,
    kUnregister = 1,
    kListXtops = 2,
    kName = 3,
    kStartup = 4,
    kFail = 5,
    kExec32 = 6,
    kExec64 = 7,
    kText = 8,
    kUnicode = 9,
    kDelay = 10,
    kDesc = 11,
    kReg = 12,
    kSpares = 13,
    kMaterials = 14,
};

// The 15 entries in usage order, addressed by position.
struct OptionTable {
    CommandOption entries[kOptionCount];

    CommandOption& operator[](OptionIndex index) { return entries[static_cast<int>(index)]; }
    const CommandOption& operator[](OptionIndex index) const { return entries[static_cast<int>(index)]; }
};

// The table as a run starts: every option absent, every value empty.
extern const OptionTable kOptionTable;

}  // namespace tarnwick
