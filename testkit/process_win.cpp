// Win32 test kit: child processes.
#include "testkit/process_win.h"

#include <cstdio>
#include <iterator>

#include "testkit/receive_win.h"

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
                           HANDLE standardOutput, HANDLE standardError) {
    std::wstring commandLine = QuoteArgument(program);
    for (const std::wstring& argument : arguments) commandLine += L" " + QuoteArgument(argument);
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool redirected = standardOutput != nullptr || standardError != nullptr;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = standardOutput != nullptr ? standardOutput : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = standardError != nullptr ? standardError : GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, redirected, 0, nullptr, nullptr, &startup,
                        &process)) {
        return;
    }
    const win::KernelHandle thread(process.hThread);
    (void)process_.Reset(process.hProcess);
}

unsigned long ChildProcess::Wait(DWORD milliseconds) {
    DWORD code = ~0u;
    if (process_.valid() && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_.get(), &code);
    }
    return code;
}

namespace {

// A file that a child process inherits as its standard output or error; gone once closed.
win::FileHandle CaptureFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        (void)std::swprintf(name, 64, L"tkout%lu_%u.txt", GetCurrentProcessId(), ++counter);
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        win::FileHandle file(CreateFileW((std::wstring(folder) + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file.valid()) return file;
    }
    return win::FileHandle();
}

// What a child wrote into a capture file.
std::string ReadCapture(const win::FileHandle& file) {
    std::string bytes;
    if (!file.valid()) return bytes;
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

}  // namespace

ProcessResult RunProcess(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    ProcessResult result;
    const win::FileHandle errors = CaptureFile();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    win::KernelHandle readEnd;
    win::KernelHandle writeEnd;
    if (!CreatePipe(Receive(readEnd), Receive(writeEnd), &inherit, 0)) {
        result.exitCode = ~0u;
        return result;
    }
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    ChildProcess child(program, arguments, writeEnd.get(), errors.valid() ? errors.get() : nullptr);
    (void)writeEnd.Reset();  // the child holds its own copy; the pipe ends when the child's ends
    if (child.started()) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
            result.output.append(chunk, got);
    }
    (void)readEnd.Reset();
    result.exitCode = child.Wait();
    result.errors = ReadCapture(errors);
    return result;
}

ProcessResult RunProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments) {
    return RunProcess(ExeDirectory() + exeName, arguments);
}

StartedProgram::StartedProgram(const std::wstring& exeName, const std::vector<std::wstring>& arguments)
    : output_(CaptureFile()), errors_(CaptureFile()) {
    if (!output_.valid() || !errors_.valid()) return;
    child_ = std::make_unique<ChildProcess>(ExeDirectory() + exeName, arguments, output_.get(), errors_.get());
}

StartedProgram::~StartedProgram() {
    Kill();
}

ProcessResult StartedProgram::Wait() {
    ProcessResult result;
    if (!started()) {
        result.exitCode = ~0u;
        return result;
    }
    result.exitCode = child_->Wait();
    result.output = ReadCapture(output_);
    result.errors = ReadCapture(errors_);
    return result;
}

void StartedProgram::Kill() {
    if (!started() || WaitForSingleObject(child_->handle(), 0) != WAIT_TIMEOUT) return;
    TerminateProcess(child_->handle(), 9);
    WaitForSingleObject(child_->handle(), INFINITE);
}

}  // namespace testkit
