// Win32 only: every kind of handle the two deliverables and their tests own, closed by its owner,
// so that none outlives the operation that opened it. Header-only: both deliverables include it,
// and neither calls the other through it.
#pragma once

#include <windows.h>

#include <msi.h>

#include <utility>

namespace win {

// Move-only owner of a handle that `Traits::Close` releases; `Traits::None()` means none.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { (void)Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::None())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) (void)Reset(std::exchange(other.handle_, Traits::None()));
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != Traits::None(); }
    Handle get() const { return handle_; }
    // Closes the handle held (if any) and takes `handle`. False when the close failed, which a
    // caller that wrote through the handle must know: a write may only fail there.
    bool Reset(Handle handle = Traits::None()) {
        const Handle old = std::exchange(handle_, handle);
        return old == Traits::None() || Traits::Close(old);
    }

private:
    Handle handle_ = Traits::None();
};

struct FileTraits {  // CreateFile, CreatePipe's ends
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};
struct FindTraits {  // FindFirstFile
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return FindClose(handle) != FALSE; }
};
struct KernelObjectTraits {  // a mutex, an event, a process, a thread, a token
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return CloseHandle(handle) != FALSE; }
};
struct MsiHandleTraits {  // an installer record, database, view or package
    using Handle = MSIHANDLE;
    static Handle None() { return 0; }
    static bool Close(Handle handle) { return MsiCloseHandle(handle) == ERROR_SUCCESS; }
};
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return RegCloseKey(handle) == ERROR_SUCCESS; }
};
struct GlobalMemoryTraits {  // GlobalAlloc
    using Handle = HGLOBAL;
    static Handle None() { return nullptr; }
    static bool Close(Handle handle) { return GlobalFree(handle) == nullptr; }
};

using FileHandle = ScopedHandle<FileTraits>;
using FindHandle = ScopedHandle<FindTraits>;
using KernelHandle = ScopedHandle<KernelObjectTraits>;
using MsiHandle = ScopedHandle<MsiHandleTraits>;
using GlobalMemory = ScopedHandle<GlobalMemoryTraits>;

// The existing file at `path` (or folder, with FILE_FLAG_BACKUP_SEMANTICS in `flags`), open for
// `access` while anyone else may go on reading, writing, renaming and deleting it: an open that
// keeps nobody out. When it fails, the last error tells why.
inline FileHandle OpenSharingAll(const wchar_t* path, DWORD access, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return FileHandle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, flags, nullptr));
}

}  // namespace win
