// Win32 test kit: throwaway keys and names.
#include "testkit/registry_win.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>

#include <span>
#include <vector>

#include "testkit/receive_win.h"
#include "win/registry_key.h"

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
    win::RegistryKey key;
    return key.Create(root, path, KEY_ALL_ACCESS | view) == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::wstring& path, View view) {
    win::RegistryKey key;
    return key.Open(root, path, READ_CONTROL | view) == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const std::wstring& path, View view) {
    win::RegistryKey key;
    if (key.Open(root, path, KEY_ALL_ACCESS | view) == ERROR_SUCCESS) RegDeleteTreeW(key.get(), nullptr);
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

bool SetRawValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, DWORD type, const void* data,
                 DWORD bytes) {
    win::RegistryKey key;
    return key.Create(root, path, KEY_SET_VALUE | view) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

bool SetStringValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, const std::wstring& text) {
    win::RegistryKey key;
    return key.Create(root, path, KEY_SET_VALUE | view) == ERROR_SUCCESS &&
           key.WriteString(name, text) == ERROR_SUCCESS;
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, View view, const wchar_t* name) {
    win::RegistryKey key;
    if (key.Open(root, path, KEY_QUERY_VALUE | view) != ERROR_SUCCESS) return std::nullopt;
    const win::StringRead size = key.ReadString(name, {});
    if (size.status != ERROR_SUCCESS) return std::nullopt;
    std::vector<wchar_t> data(size.length + 1, L'\0');
    const win::StringRead read = key.ReadString(name, std::span(data.data(), size.length));
    if (read.status != ERROR_SUCCESS) return std::nullopt;
    RegistryValue value;
    value.type = read.type;
    value.bytesAsText.assign(data.data(), read.length);
    value.size = static_cast<DWORD>(read.length) * static_cast<DWORD>(sizeof(wchar_t));
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
    win::RegistryKey key;
    const bool ok = key.Open(root, path, WRITE_DAC | view) == ERROR_SUCCESS &&
                    RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
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
    win::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, Receive(token))) return std::wstring();
    std::vector<BYTE> buffer(256);
    DWORD size = 0;
    std::wstring text;
    if (GetTokenInformation(token.get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        wchar_t* sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    return text;
}

}  // namespace testkit
