// Win32 only: registry key ownership for the runtime and the actions.
#include "runtime/registry_key_win.h"

namespace brimsett {

LONG RegistryKey::Open(HKEY root, const wchar_t* path, REGSAM access) {
    Close();
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(root, path, 0, access, &key);
    if (status == ERROR_SUCCESS) key_ = key;
    return status;
}

void RegistryKey::Close() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

LONG SetStringValue(HKEY key, const wchar_t* name, const std::wstring& text) {
    std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD) return ERROR_INVALID_PARAMETER;
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
}

}  // namespace brimsett
