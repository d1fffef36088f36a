// Win32 test kit: child processes.
#include "testkit/process_win.h"

#include <iterator>

namespace testkit {

std::wstring ExeDirectory() {
    wchar_t buffer[MAX_PATH * 4] = {};
    DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring PathBesideTestProgram(const std::wstring& relative) {
    return ExeDirectory() + relative;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

ChildProcess::ChildProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
                           HANDLE standardOutput) {
    std::wstring commandLine = QuoteArgument(program);
    for (const std::wstring& argument : arguments) commandLine += L" " + QuoteArgument(argument);
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (standardOutput != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = standardOutput;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, standardOutput != nullptr, 0, nullptr, nullptr,
                        &startup, &process)) {
        return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) CloseHandle(process_);
}

unsigned long ChildProcess::Wait(DWORD milliseconds) {
    DWORD code = ~0u;
    if (process_ != nullptr && WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    }
    return code;
}

ProcessResult RunProcess(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        result.exitCode = ~0u;
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    ChildProcess child(program, arguments, writeEnd);
    CloseHandle(writeEnd);  // the child holds its own copy; the pipe ends when the child's ends
    if (child.started()) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) result.output.append(chunk, got);
    }
    CloseHandle(readEnd);
    result.exitCode = child.Wait();
    return result;
}

ProcessResult RunProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments) {
    return RunProcess(ExeDirectory() + exeName, arguments);
}

}  // namespace testkit
