#include "tests/tarnwick_test_support_win.h"

#include <cwchar>

#include "testkit/registry_win.h"

namespace tarnwick::test {

testkit::ProcessResult RunTarnwick(const std::vector<std::wstring>& arguments) {
    return testkit::RunProgram(L"tarnwick.exe", arguments);
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

FileHolder::FileHolder(const std::wstring& mode, const std::wstring& path) {
    static unsigned counter = 0;
    wchar_t suffix[64];
    (void)std::swprintf(suffix, 64, L"%lu_%u", GetCurrentProcessId(), ++counter);
    const std::wstring readyName = std::wstring(L"Local\\twready") + suffix;
    const std::wstring releaseName = std::wstring(L"Local\\twrelease") + suffix;
    (void)ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
    (void)release_.Reset(CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
    holder_ = std::make_unique<testkit::ChildProcess>(testkit::ExeDirectory() + L"tarnwick_file_holder.exe",
                                                      std::vector<std::wstring>{mode, path, readyName, releaseName});
    if (!holder_->started()) return;
    HANDLE waits[2] = {ready_.get(), holder_->handle()};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

FileHolder::~FileHolder() {
    if (release_.valid()) SetEvent(release_.get());
    if (holder_) holder_->Wait(30000);
}

std::wstring MakeLoadpoint(const std::wstring& root, const std::wstring& name, bool withMaterialsLibrary) {
    std::wstring loadpoint = root + L"\\" + name;
    CreateDirectoryW(loadpoint.c_str(), nullptr);
    CreateDirectoryW((loadpoint + L"\\text").c_str(), nullptr);
    if (withMaterialsLibrary) CreateDirectoryW((loadpoint + L"\\text\\materials-library").c_str(), nullptr);
    return loadpoint;
}

ThrowawayLoadpointKeys::ThrowawayLoadpointKeys() {
    static unsigned counter = 0;
    wchar_t name[64];
    (void)std::swprintf(name, 64, L"SOFTWARE\\TarnwickTest%lu_%u", GetCurrentProcessId(), ++counter);
    path_ = name;
}

ThrowawayLoadpointKeys::~ThrowawayLoadpointKeys() {
    for (REGSAM view : {testkit::k32, testkit::k64}) testkit::DeleteKeyTree(HKEY_LOCAL_MACHINE, path_, view);
}

bool ThrowawayLoadpointKeys::Add(REGSAM view, const std::wstring& installation, const std::wstring& directory) {
    return testkit::SetStringValue(HKEY_LOCAL_MACHINE, path_ + L"\\" + installation, view, L"InstallDir", directory);
}

}  // namespace tarnwick::test
