// Win32 test kit: throwaway keys and names.
#include "testkit/registry_win.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>

#include <vector>

namespace testkit {

std::wstring NewGuidText() {
    GUID guid;
    CoCreateGuid(&guid);
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return text;
}

std::wstring UniqueName(const std::wstring& stem) {
    std::wstring guid = NewGuidText();
    return stem + L"-" + guid.substr(1, guid.size() - 2);
}

bool CreateKey(HKEY root, const std::wstring& path, View view) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool KeyExists(HKEY root, const std::wstring& path, View view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKeyTree(HKEY root, const std::wstring& path, View view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        RegDeleteTreeW(key, nullptr);
        RegCloseKey(key);
    }
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

bool SetRawValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, DWORD type, const void* data,
                 DWORD bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool SetStringValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    return SetRawValue(root, path, view, name, REG_SZ, text.c_str(), static_cast<DWORD>(bytes));
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, View view, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        std::vector<wchar_t> data(size / 2 + 1, L'\0');
        status = RegQueryValueExW(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data.data()), &size);
        value.size = size;
        value.bytesAsText.assign(data.data(), size / 2);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, View view, const wchar_t* name) {
    auto value = ReadValue(root, path, view, name);
    if (!value || value->type != REG_SZ) return std::nullopt;
    std::wstring text = value->bytesAsText;
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

namespace {

bool SetKeyDacl(HKEY root, const std::wstring& path, View view, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    HKEY key = nullptr;
    bool ok = false;
    if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC | view, &key) == ERROR_SUCCESS) {
        ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

}  // namespace

bool DenyAccess(HKEY root, const std::wstring& path, View view) {
    // Everyone may read and change the security and delete the key, nothing else.
    return SetKeyDacl(root, path, view, L"D:P(A;;0x000D0000;;;WD)");
}

bool AllowAccess(HKEY root, const std::wstring& path, View view) {
    return SetKeyDacl(root, path, view, L"D:(A;;KA;;;WD)");
}

ScopedKey::ScopedKey(HKEY root, std::wstring path, View view)
    : root_(root), path_(std::move(path)), view_(view), created_(CreateKey(root_, path_, view_)) {}

ScopedKey::~ScopedKey() {
    AllowAccess(root_, path_, view_);  // in case a test took access away
    DeleteKeyTree(root_, path_, view_);
}

std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
    std::vector<BYTE> buffer(256);
    DWORD size = 0;
    std::wstring text;
    if (GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        wchar_t* sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return text;
}

}  // namespace testkit
