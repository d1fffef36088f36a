// Win32 only: the exports of the test-only custom-action DLL. Each export exercises one part of
// the runtime inside a real installer session; the session tests read what it logged and set.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

namespace {

// Sends one informational line with the installer's own calls, without the runtime.
int SendRawLine(MSIHANDLE installer, const char* text) {
    MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringA(record, 0, text);
    int answer = MsiProcessMessage(installer, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
    return answer;
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
