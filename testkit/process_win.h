// Win32 test kit: the folder of the running test program, and child processes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "win/scoped_handle.h"

namespace testkit {

// The folder of the running test program, with its trailing backslash; the programs under test
// are built beside it.
std::wstring ExeDirectory();

// `relative` appended to the folder of the running test program.
std::wstring PathBesideTestProgram(const std::wstring& relative);

// Quotes one argument so that CommandLineToArgvW and the C runtime give it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

// A child process started from a program and its arguments, each quoted as the runtime library's
// argument splitting expects; the program is a path or a name the system searches for. The
// object closes its handles when it goes away; it does not end the process.
class ChildProcess {
public:
    // `standardOutput` and `standardError`, when given, become the child's (inherited, with the
    // parent's standard input and the parent's own for the one not given); otherwise the child
    // inherits no handle.
    ChildProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
                 HANDLE standardOutput = nullptr, HANDLE standardError = nullptr);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_.valid(); }
    HANDLE handle() const { return process_.get(); }
    // Waits up to `milliseconds` for the end and gives the exit code; ~0u when the process did
    // not start or did not end in time.
    unsigned long Wait(DWORD milliseconds = INFINITE);

private:
    win::KernelHandle process_;
};

struct ProcessResult {
    std::string output;  // standard output as bytes, CR LF as the console wrote it
    std::string errors;  // standard error, the same way
    unsigned long exitCode = 0;
};

// Runs the program with the arguments, captures its standard output and error and waits for its
// end.
// A program that cannot be started gives exit code ~0u.
ProcessResult RunProcess(const std::wstring& program, const std::vector<std::wstring>& arguments);

// The same for a program built beside the test program.
ProcessResult RunProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments);

// A program built beside the test program, started without waiting for it, its standard output
// and error going to files of their own (so that many can run at once). Killed when the object
// goes away while it still runs.
class StartedProgram {
public:
    StartedProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    bool started() const { return child_ && child_->started(); }
    // Waits for the end and gives what the program wrote and its exit code.
    ProcessResult Wait();
    // Ends the program at once, wherever it is, and waits until it is gone.
    void Kill();

private:
    win::FileHandle output_;
    win::FileHandle errors_;
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace testkit
