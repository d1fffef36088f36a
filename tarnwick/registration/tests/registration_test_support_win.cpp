#include "registration_test_support_win.h"

#include <algorithm>
#include <cwchar>

#include "../../tests/e2e_support.h"

namespace tarnwick::test {

FileHolder::FileHolder(const std::wstring& mode, const std::wstring& path) {
    static unsigned counter = 0;
    wchar_t suffix[64];
    (void)std::swprintf(suffix, 64, L"%lu_%u", GetCurrentProcessId(), ++counter);
    const std::wstring readyName = std::wstring(L"Local\\twready") + suffix;
    const std::wstring releaseName = std::wstring(L"Local\\twrelease") + suffix;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    const std::wstring exe = e2e::ExeDirectory() + L"tarnwick_file_holder.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + mode + L" \"" + path + L"\" " + readyName + L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    HANDLE waits[2] = {ready_, process_};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

FileHolder::~FileHolder() {
    if (release_ != nullptr) SetEvent(release_);
    if (process_ != nullptr) {
        WaitForSingleObject(process_, 30000);
        CloseHandle(process_);
    }
    if (ready_ != nullptr) CloseHandle(ready_);
    if (release_ != nullptr) CloseHandle(release_);
}

std::vector<std::wstring> ListDirectory(const std::wstring& directory) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((directory + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring MakeLoadpoint(const std::wstring& root, const std::wstring& name, bool withMaterialsLibrary) {
    std::wstring loadpoint = root + L"\\" + name;
    CreateDirectoryW(loadpoint.c_str(), nullptr);
    CreateDirectoryW((loadpoint + L"\\text").c_str(), nullptr);
    if (withMaterialsLibrary) CreateDirectoryW((loadpoint + L"\\text\\materials-library").c_str(), nullptr);
    return loadpoint;
}

std::string Narrow(const std::wstring& wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

ThrowawayLoadpointKeys::ThrowawayLoadpointKeys() {
    static unsigned counter = 0;
    wchar_t name[64];
    (void)std::swprintf(name, 64, L"SOFTWARE\\TarnwickTest%lu_%u", GetCurrentProcessId(), ++counter);
    path_ = name;
}

ThrowawayLoadpointKeys::~ThrowawayLoadpointKeys() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS)
            continue;
        RegDeleteTreeW(software, path_.substr(9).c_str());
        RegCloseKey(software);
    }
}

bool ThrowawayLoadpointKeys::Add(REGSAM view, const std::wstring& installation, const std::wstring& directory) {
    HKEY key = nullptr;
    const std::wstring path = path_ + L"\\" + installation;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                                       static_cast<DWORD>(directory.size() + 1) * static_cast<DWORD>(sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace tarnwick::test
