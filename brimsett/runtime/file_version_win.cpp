// Win32 only: a file's version from its version resource.
#include "runtime/file_version_win.h"

#include "runtime/failure_codes.h"
#include "win/scoped_handle.h"

namespace brimsett {

HRESULT ReadFileVersion(const wchar_t* path, DWORD* mostSignificant, DWORD* leastSignificant) {
    if (path == nullptr || mostSignificant == nullptr || leastSignificant == nullptr) {
        return E_INVALIDARG;
    }
    DWORD handle = 0;
    SetLastError(0);
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return FailureFromLastError(GetLastError());

    const win::GlobalMemory block(GlobalAlloc(GMEM_FIXED, size));
    if (!block.valid()) return E_OUTOFMEMORY;
    SetLastError(0);
    if (!GetFileVersionInfoW(path, 0, size, block.get())) return FailureFromLastError(GetLastError());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    SetLastError(0);
    if (!VerQueryValueW(block.get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize)) {
        return FailureFromLastError(GetLastError());
    }
    if (fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO)) return E_FAIL;  // no fixed file information
    *mostSignificant = fixed->dwFileVersionMS;
    *leastSignificant = fixed->dwFileVersionLS;
    return S_OK;
}

}  // namespace brimsett
