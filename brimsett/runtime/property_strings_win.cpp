// Win32 only: property strings on the process heap.
#include "runtime/property_strings_win.h"

#include "runtime/failure_codes.h"

namespace brimsett {

HRESULT AllocateString(wchar_t** slot, std::size_t characters) {
    if (slot == nullptr) return E_INVALIDARG;
    if (characters >= 0x7FFFFFFF) return E_OUTOFMEMORY;
    const SIZE_T bytes = characters * sizeof(wchar_t);
    void* block = *slot ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, *slot, bytes)
                        : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    if (block == nullptr) return E_OUTOFMEMORY;  // the slot keeps its old block
    *slot = static_cast<wchar_t*>(block);
    return S_OK;
}

HRESULT StringCapacity(const wchar_t* string, std::size_t* capacity) {
    if (capacity == nullptr) return E_INVALIDARG;
    if (string == nullptr) {
        *capacity = 0;
        return S_OK;
    }
    SIZE_T bytes = HeapSize(GetProcessHeap(), 0, string);
    if (bytes == static_cast<SIZE_T>(-1)) return E_FAIL;
    *capacity = bytes / sizeof(wchar_t);
    return S_OK;
}

HRESULT ReleaseString(wchar_t* string) {
    if (string == nullptr) return S_OK;
    if (!HeapFree(GetProcessHeap(), 0, string)) return FailureFromWin32(static_cast<LONG>(GetLastError()));
    return S_OK;
}

}  // namespace brimsett
