// Win32 only: the exports of the test-only custom-action DLL. Each export exercises one part of
// the runtime inside a real installer session; the session tests read what it logged and set.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <new>
#include <stdexcept>

#include "runtime/action_frame_win.h"
#include "runtime/action_log_win.h"
#include "runtime/failure_codes.h"
#include "runtime/properties_win.h"
#include "runtime/property_strings_win.h"
#include "tests/active_database_seam_win.h"
#include "win/scoped_handle.h"

using namespace brimsett;

namespace {

constexpr UINT kFailure = 1603;    // ERROR_INSTALL_FAILURE
constexpr LONG kAccessDenied = 5;  // ERROR_ACCESS_DENIED

// Sends one informational line with the installer's own calls, without the runtime.
int SendRawLine(MSIHANDLE installer, const char* text) {
    const win::MsiHandle record(MsiCreateRecord(1));
    MsiRecordSetStringA(record.get(), 0, text);
    return MsiProcessMessage(installer, INSTALLMESSAGE_INFO, record.get());
}

MSIHANDLE WINAPI NoActiveDatabase(MSIHANDLE) {
    return 0;
}

// The full path of this DLL as the loader knows it, independent of the runtime's load hook.
void OwnPath(wchar_t* path, DWORD capacity) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnPath), &self);
    GetModuleFileNameW(self, path, capacity);
}

// A verbose and a standard line, the pair the verbosity tests look for.
void LogVerboseAndStandard() {
    LogMessage(LogLevel::kVerbose, "verbose line");
    LogMessage(LogLevel::kStandard, "standard line");
}

}  // namespace

// Proves the harness itself: copies HARNESS_INPUT into HARNESS_OUTPUT, sends two raw lines, and
// reports the installer's answer to the second in HARNESS_ANSWER.
extern "C" UINT __stdcall ProbeHarness(MSIHANDLE installer) {
    wchar_t value[64] = {};
    DWORD length = 64;
    MsiGetPropertyW(installer, L"HARNESS_INPUT", value, &length);
    MsiSetPropertyW(installer, L"HARNESS_OUTPUT", value);
    SendRawLine(installer, "ProbeHarness:  first line");
    int answer = SendRawLine(installer, "ProbeHarness:  second line");
    char text[32];
    wsprintfA(text, "%d", answer);
    MsiSetPropertyA(installer, "HARNESS_ANSWER", text);
    return ERROR_SUCCESS;
}

// The entry line and the verbosity of a action that has a database. PROBE_MODULE_PATH receives
// the DLL's own path for comparison with the entry line.
extern "C" UINT __stdcall ProbeEntry(MSIHANDLE installer) {
    if (FAILED(InitializeAction(installer, "RuntimeProbe"))) return FinalizeAction(kFailure);
    wchar_t path[MAX_PATH] = {};
    OwnPath(path, MAX_PATH);
    WriteProperty(L"PROBE_MODULE_PATH", path);
    LogVerboseAndStandard();
    return FinalizeAction(ERROR_SUCCESS);
}

// The same for an action without a database. Wine gives every custom action a database, so the
// runtime's query for it is replaced by one that answers 0, as Windows answers a deferred action.
extern "C" UINT __stdcall ProbeNoDatabase(MSIHANDLE installer) {
    ActiveDatabaseQuery previous = ReplaceActiveDatabaseQuery(&NoActiveDatabase);
    HRESULT hr = InitializeAction(installer, "NoDatabase");
    ReplaceActiveDatabaseQuery(previous);
    if (FAILED(hr)) return FinalizeAction(kFailure);
    LogVerboseAndStandard();
    return FinalizeAction(ERROR_SUCCESS);
}

// Initialises under the log name in PROBE_LOG_NAME, then reports a failure as an action would.
extern "C" UINT __stdcall ProbeLogName(MSIHANDLE installer) {
    char name[128] = {};
    DWORD length = sizeof name;
    MsiGetPropertyA(installer, "PROBE_LOG_NAME", name, &length);
    HRESULT hr = InitializeAction(installer, name);
    if (SUCCEEDED(hr)) LogMessage(LogLevel::kStandard, "initialised");
    LogFailure(E_FAIL, "the action's own failure after %s", "initialisation");
    return FinalizeAction(kFailure);
}

// An error line with a Win32 failure code.
extern "C" UINT __stdcall ProbeFailureLine(MSIHANDLE installer) {
    if (FAILED(InitializeAction(installer, "FailureProbe"))) return FinalizeAction(kFailure);
    LogFailure(FailureFromWin32(kAccessDenied), "Failed to get %s", "registry key");
    return FinalizeAction(kFailure);
}

// A line of 3000 characters and more.
extern "C" UINT __stdcall ProbeLongLine(MSIHANDLE installer) {
    static char longText[3001];
    for (int i = 0; i < 3000; ++i) longText[i] = static_cast<char>('a' + i % 26);
    if (FAILED(InitializeAction(installer, "LongLine"))) return FinalizeAction(kFailure);
    LogMessage(LogLevel::kStandard, "%s", longText);
    return FinalizeAction(ERROR_SUCCESS);
}

// Three lines; a test cancels at one of them. The action's own result is 0.
extern "C" UINT __stdcall ProbeCancel(MSIHANDLE installer) {
    if (FAILED(InitializeAction(installer, "CancelProbe"))) return FinalizeAction(kFailure);
    LogMessage(LogLevel::kStandard, "first line");
    LogMessage(LogLevel::kStandard, "second line");
    LogMessage(LogLevel::kStandard, "third line");
    return FinalizeAction(ERROR_SUCCESS);
}

// ReadProperty of an undefined property, of values longer and shorter than the slot's block,
// and with an empty name; each outcome as a line.
extern "C" UINT __stdcall ProbeReadProperty(MSIHANDLE installer) {
    if (FAILED(InitializeAction(installer, "ReadProbe"))) return FinalizeAction(kFailure);
    std::size_t capacity = 0;
    {
        PropertyString value;
        HRESULT hr = ReadProperty(L"PROBE_UNDEFINED", value.slot());
        StringCapacity(value.get(), &capacity);
        LogMessage(LogLevel::kStandard, "undefined: 0x%x [%S] capacity %u", static_cast<unsigned>(hr), value.get(),
                   static_cast<unsigned>(capacity));

        // The slot's block holds one character; the long value makes it grow.
        hr = ReadProperty(L"PROBE_LONG", value.slot());
        StringCapacity(value.get(), &capacity);
        LogMessage(LogLevel::kStandard, "long after undefined: 0x%x length %u capacity %u tail [%S]",
                   static_cast<unsigned>(hr), static_cast<unsigned>(lstrlenW(value.get())),
                   static_cast<unsigned>(capacity), value.get() + lstrlenW(value.get()) - 3);

        // A shorter value reuses the block.
        hr = ReadProperty(L"PROBE_SHORT", value.slot());
        StringCapacity(value.get(), &capacity);
        LogMessage(LogLevel::kStandard, "short after long: 0x%x [%S] capacity %u", static_cast<unsigned>(hr),
                   value.get(), static_cast<unsigned>(capacity));
    }
    {
        PropertyString value;
        HRESULT hr = ReadProperty(L"PROBE_LONG", value.slot());
        StringCapacity(value.get(), &capacity);
        LogMessage(LogLevel::kStandard, "long into an empty slot: 0x%x length %u capacity %u",
                   static_cast<unsigned>(hr), static_cast<unsigned>(lstrlenW(value.get())),
                   static_cast<unsigned>(capacity));
        hr = ReadProperty(L"", value.slot());
        LogMessage(LogLevel::kStandard, "empty name: 0x%x", static_cast<unsigned>(hr));
        hr = ReadProperty(nullptr, value.slot());
        LogMessage(LogLevel::kStandard, "no name: 0x%x", static_cast<unsigned>(hr));
        hr = ReadProperty(L"PROBE_SHORT", nullptr);
        LogMessage(LogLevel::kStandard, "no slot: 0x%x", static_cast<unsigned>(hr));
    }
    return FinalizeAction(ERROR_SUCCESS);
}

// WriteProperty of an empty value, with an empty name, and of an ordinary value.
extern "C" UINT __stdcall ProbeWriteProperty(MSIHANDLE installer) {
    if (FAILED(InitializeAction(installer, "WriteProbe"))) return FinalizeAction(kFailure);
    HRESULT hr = WriteProperty(L"PROBE_CLEARED", L"");
    LogMessage(LogLevel::kStandard, "empty value: 0x%x", static_cast<unsigned>(hr));
    hr = WriteProperty(L"", L"value");
    LogMessage(LogLevel::kStandard, "empty name: 0x%x", static_cast<unsigned>(hr));
    hr = WriteProperty(L"PROBE_WRITTEN", nullptr);
    LogMessage(LogLevel::kStandard, "no value: 0x%x", static_cast<unsigned>(hr));
    hr = WriteProperty(L"PROBE_WRITTEN", L"written \u00e9");
    LogMessage(LogLevel::kStandard, "value: 0x%x", static_cast<unsigned>(hr));
    return FinalizeAction(ERROR_SUCCESS);
}

// The frame of the exports around work that throws: a failed allocation, and anything else.
extern "C" UINT __stdcall ProbeFrameOutOfMemory(MSIHANDLE installer) {
    return RunAction(installer, "FrameProbe", []() -> HRESULT { throw std::bad_alloc(); });
}

extern "C" UINT __stdcall ProbeFrameUnexpected(MSIHANDLE installer) {
    return RunAction(installer, "FrameProbe", []() -> HRESULT { throw std::runtime_error("not expected"); });
}

// For the benchmark: an action that does nothing, and one that does the runtime's share of a
// typical action (initialise, one property read, one log line, finalise).
extern "C" UINT __stdcall ProbeBenchEmpty(MSIHANDLE) {
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall ProbeBenchRuntime(MSIHANDLE installer) {
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    UINT result = kFailure;
    if (SUCCEEDED(InitializeAction(installer, "BenchProbe"))) {
        PropertyString value;
        HRESULT hr = ReadProperty(L"ProductName", value.slot());
        LogMessage(LogLevel::kStandard, "read %S", value.get());
        result = FinalizeAction(FAILED(hr) ? kFailure : ERROR_SUCCESS);
    }
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    char text[32];
    wsprintfA(text, "%lu", static_cast<unsigned long>((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart));
    MsiSetPropertyA(installer, "PROBE_RUNTIME_MICROSECONDS", text);
    return result;
}
