// The values of one Tarnwick run: what the command line asked for. The parser (cli/) yields them,
// the front end hands them on, and the loadpoint search (discovery/) and the registration steps
// (registration/) take them as an argument. Platform-free; every folder may include this header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// One field per command-line option, named by the option's row in cli/option_table.h. A switch is true when it was
// given. An option that takes a value holds nothing when it was not given, and its text, possibly empty, when it was:
// "/desc" gives an empty description, "/desc:x" the description "x". A value has at most 259 characters.
struct RunOptions {
    bool help = false;                         // /?
    bool unregister = false;                   // /unregister
    bool listXtops = false;                    // /listxtops
    std::optional<std::wstring> name;          // /name: the application's name
    std::optional<std::wstring> startup;       // /startup: its start-up method
    bool fail = false;                         // /fail: the CAD application closes on errors
    std::optional<std::wstring> exec32;        // /exec32: the 32-bit executable
    std::optional<std::wstring> exec64;        // /exec64: the 64-bit executable
    std::optional<std::wstring> textDir;       // /text: the application's text directory
    bool unicode = false;                      // /unicode
    bool delay = false;                        // /delay: not started with the CAD application
    std::optional<std::wstring> description;   // /desc
    std::optional<std::wstring> keyList;       // /reg: the registry-key list file
    std::optional<std::wstring> sparesDir;     // /spares: where the spare registry files go
    std::optional<std::wstring> materialsDir;  // /materials: the *.mtl files to install
};

// The text of an option's value; empty when the option was not given.
inline std::wstring_view ValueOf(const std::optional<std::wstring>& value) {
    return value ? std::wstring_view(*value) : std::wstring_view();
}

}  // namespace tarnwick
