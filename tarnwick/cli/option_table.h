// Tarnwick's command-line options in their fixed order: the table the parser fills, the usage text
// lists and the validation reads. Each option is described once, by its row; adding an option is
// one row here, one member of RunOptions and its use. The tests take names, counts and the usage
// text from this table; a host test checks the README's option table (name, value, description)
// against the rows, so the texts are pinned where users read them.
//
// kOptionTable is the table as a run starts (every option absent, every value empty) and is never
// written: each parse fills a copy of its own.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

#include "run_options.h"

namespace tarnwick {

// Capacity of an option's value field in wide characters, terminator included (MAX_PATH).
inline constexpr std::size_t kOptionValueCapacity = 260;

struct CommandOption {
    bool present;                         // set by the parser when the option appeared
    const wchar_t* optionName;            // the name as typed after the slash
    bool takesValue;                      // whether ":value" may follow the name
    wchar_t value[kOptionValueCapacity];  // the text after the colon, NUL-terminated
    const wchar_t* helpText;              // the usage line printed under the option
    // The run value the option fills: a switch's flag, or the text of an option that takes a value.
    bool RunOptions::*flag;
    std::optional<std::wstring> RunOptions::*text;
    // The text goes into the application's entry in the registry files, which hold one byte per
    // character, so a registration refuses it beyond U+00FF.
    bool inRegistryFile;
};

// A switch: present or not, never with a value.
constexpr CommandOption Switch(const wchar_t* name, bool RunOptions::*flag, const wchar_t* helpText) {
    return {false, name, false, {}, helpText, flag, nullptr, false};
}

// An option that may take a value.
constexpr CommandOption ValueOption(const wchar_t* name, std::optional<std::wstring> RunOptions::*text,
                                    const wchar_t* helpText) {
    return {false, name, true, {}, helpText, nullptr, text, false};
}

// An option whose value is written into the application's entry.
constexpr CommandOption EntryOption(const wchar_t* name, std::optional<std::wstring> RunOptions::*text,
                                    const wchar_t* helpText) {
    CommandOption option = ValueOption(name, text, helpText);
    option.inRegistryFile = true;
    return option;
}

// The options in usage order. No name is a prefix of another, so at most one row matches an
// argument.
inline constexpr std::array kOptionTable = {
    Switch(L"?", &RunOptions::help, L"Displays usage help."),
    Switch(L"unregister", &RunOptions::unregister, L"Unregisters the Pro/TOOLKIT application."),
    Switch(L"listxtops", &RunOptions::listXtops,
           L"Outputs a list of XTOP.EXE application locations. When this setting is present, you must also use "
           L"/reg, all other settings are ignored except /?."),
    EntryOption(L"name", &RunOptions::name, L"The Pro/TOOLKIT application name."),
    EntryOption(L"startup", &RunOptions::startup,
                L"The start up method used to invoke the Pro/TOOLKIT application. Example valid values are 'spawn', "
                L"'dll' or 'java'."),
    Switch(L"fail", &RunOptions::fail,
           L"Specifies that host CAD application should close when errors are encountered in the Pro/TOOLKIT "
           L"application."),
    EntryOption(L"exec32", &RunOptions::exec32, L"The full path to the 32-bit Pro/TOOLKIT application."),
    EntryOption(L"exec64", &RunOptions::exec64, L"The full path to the 64-bit Pro/TOOLKIT application."),
    EntryOption(L"text", &RunOptions::textDir,
                L"The full path to the text directory the Pro/TOOLKIT application loads resources from."),
    Switch(L"unicode", &RunOptions::unicode,
           L"Specifies that the Pro/TOOLKIT application should be flagged as using UNICODE encoding. By default, "
           L"UNICODE encoding will not be enabled."),
    Switch(L"delay", &RunOptions::delay,
           L"Specifies that the Pro/TOOLKIT application should not be started when the host CAD application "
           L"starts."),
    EntryOption(L"desc", &RunOptions::description, L"A description of the Pro/TOOLKIT application."),
    ValueOption(L"reg", &RunOptions::keyList,
                L"The full path of a data file containing the registry keys to use to locate Pro/ENGINEER and Creo "
                L"loadpoints."),
    ValueOption(L"spares", &RunOptions::sparesDir,
                L"The path of a directory to generate spare Pro/TOOLKIT registry files in. Any existing registry files "
                L"named protkx32.dat or protkx64.dat will be overridden."),
    ValueOption(L"materials", &RunOptions::materialsDir,
                L"The path of a directory that contains material data to install into the host CAD applications. For "
                L"installation only."),
};

// The table a parse fills, a copy of kOptionTable.
using OptionTable = std::remove_const_t<decltype(kOptionTable)>;
inline constexpr int kOptionCount = static_cast<int>(kOptionTable.size());

}  // namespace tarnwick
