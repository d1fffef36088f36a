// Tarnwick's front end: parses the command line into the run values, turns a rejected command
// line into its message, validates the options, and performs exactly one run (help, list, or
// registration) with its exit code.
#pragma once

#include "discovery/loadpoints.h"
#include "run_options.h"

namespace tarnwick {

inline constexpr const wchar_t* kBannerLine = L"Pro/TOOLKIT integration utility";
inline constexpr const wchar_t* kNoParamsMessage = L"No input params specified, use /? for help";
inline constexpr const wchar_t* kInvalidMessage = L"Invalid input params specified, use /? for help";
inline constexpr const wchar_t* kDuplicateMessage = L"Duplicate input params specified, use /? for help";

// The only two exit codes: 1 once a registration run (registering or unregistering) has gone to
// its end, whatever its steps met; 0 after the help run, the list run and a rejected command line.
inline constexpr int kExitRegistrationRun = 1;
inline constexpr int kExitOther = 0;

// Which run validated options ask for, in this precedence: /?, then /listxtops, then the
// registration run, which unregisters when /unregister is present.
enum class Run { kHelp, kList, kRegister, kUnregister };
Run ChooseRun(const RunOptions& options);

// The usage text, one call of `writeLine` per line: the banner, "Usage params:", then for each
// option in table order "/" and its name, followed by a tab and its description.
void WriteUsageText(void (*writeLine)(const wchar_t*));

// What the runs do beyond the front end. The program passes ConsoleWriteLine, the loadpoint
// search and listing, and the registration steps; each returns normally whatever it meets. The
// search's result is what the listing and the registration steps work on.
struct RunSteps {
    void (*writeLine)(const wchar_t*);
    Loadpoints (*findLoadpoints)(const RunOptions&);
    void (*listLoadpoints)(const RunOptions&, const Loadpoints&);
    void (*updateLoadpointRegistryFiles)(const RunOptions&, const Loadpoints&);
    void (*writeSpareRegistryFiles)(const RunOptions&);
    void (*installMaterials)(const RunOptions&, const Loadpoints&);
};

// The main function's work: parses the wide argument vector (program name at index 0) into the
// run values, answers a rejected command line with its one message, validates, performs the
// chosen run and returns the exit code.
int TarnwickMain(int argumentCount, const wchar_t* const* arguments, const RunSteps& steps);

}  // namespace tarnwick
