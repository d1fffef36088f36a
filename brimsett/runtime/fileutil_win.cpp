// Win32 only: a file's version from its version resource.
#include "runtime/fileutil.h"

#include "runtime/failure_codes.h"

namespace brimsett {
namespace {

// The converted last-error value of a failed call; E_FAIL when the platform left it at 0, so
// that a failure is never taken for success.
HRESULT LastFailure() {
    DWORD error = GetLastError();
    return error == 0 ? E_FAIL : FailureFromWin32(static_cast<LONG>(error));
}

}  // namespace

HRESULT ReadFileVersion(const wchar_t* path, DWORD* mostSignificant, DWORD* leastSignificant) {
    if (path == nullptr || mostSignificant == nullptr || leastSignificant == nullptr) {
        return E_INVALIDARG;
    }
    DWORD handle = 0;
    SetLastError(0);
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return LastFailure();

    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    if (block == nullptr) return E_OUTOFMEMORY;
    HRESULT result = S_OK;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    SetLastError(0);
    if (!GetFileVersionInfoW(path, 0, size, block)) {
        result = LastFailure();
    } else {
        SetLastError(0);
        if (!VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &fixedSize)) {
            result = LastFailure();
        } else if (fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
            result = E_FAIL;  // no fixed file information in the resource
        } else {
            *mostSignificant = fixed->dwFileVersionMS;
            *leastSignificant = fixed->dwFileVersionLS;
        }
    }
    GlobalFree(block);
    return result;
}

}  // namespace brimsett
