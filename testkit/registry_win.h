// Win32 test kit: throwaway registry keys in a chosen view and unique names, so that every test
// case works on keys of its own; the user running the tests.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace testkit {

// A name no other test case or run uses: "<stem>-<GUID without braces>".
std::wstring UniqueName(const std::wstring& stem);
// A new registry GUID text with braces, for class identifiers and product codes.
std::wstring NewGuidText();

// A registry view flag: KEY_WOW64_64KEY or KEY_WOW64_32KEY.
using View = REGSAM;
// The two registry views, as the tests name them.
constexpr View k64 = KEY_WOW64_64KEY;
constexpr View k32 = KEY_WOW64_32KEY;
// The view of the test program and of the DLL it loads, which a key opened without a view flag
// lands in: the 32-bit view in the 32-bit build, the 64-bit one in the x86_64 build.
constexpr View kOwn = sizeof(void*) == 8 ? k64 : k32;

// Creates the key (and its missing parents) and returns whether it exists afterwards.
bool CreateKey(HKEY root, const std::wstring& path, View view);
bool KeyExists(HKEY root, const std::wstring& path, View view);
// Deletes the key with its subkeys and values (nothing happens when it is absent).
void DeleteKeyTree(HKEY root, const std::wstring& path, View view);

// Writes a value of the given type with exactly `bytes` bytes of data (creating the key).
bool SetRawValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, DWORD type, const void* data,
                 DWORD bytes);
// A REG_SZ value with its terminator.
bool SetStringValue(HKEY root, const std::wstring& path, View view, const wchar_t* name, const std::wstring& text);

struct RegistryValue {
    DWORD type = 0;
    std::wstring bytesAsText;  // the data taken as UTF-16 units, terminator(s) included
    DWORD size = 0;            // the data size in bytes
};
std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, View view, const wchar_t* name);
// The REG_SZ text of a value without its terminator, or nothing.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, View view, const wchar_t* name);

// Makes a key refuse every access but reading and changing its security and deleting it.
bool DenyAccess(HKEY root, const std::wstring& path, View view);
// Gives everyone full access to the key again.
bool AllowAccess(HKEY root, const std::wstring& path, View view);

// A registry key that a test creates and that is deleted with its subtree when the object
// goes away.
class ScopedKey {
public:
    ScopedKey(HKEY root, std::wstring path, View view);
    ~ScopedKey();
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    const std::wstring& path() const { return path_; }
    bool created() const { return created_; }

private:
    HKEY root_;
    std::wstring path_;
    View view_;
    bool created_;
};

// The security identifier of the user running the test program, as text.
std::wstring CurrentUserSid();

}  // namespace testkit
