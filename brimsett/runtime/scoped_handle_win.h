// Win32 only: handles that close themselves, so that none outlives the operation that opened it.
#pragma once

#include <windows.h>

#include <msi.h>

#include <utility>

namespace brimsett {

// Move-only owner of a handle that `Traits::Close` releases; `Traits::None()` means none.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    explicit ScopedHandle(Handle handle = Traits::None()) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::None())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, Traits::None());
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != Traits::None(); }
    Handle get() const { return handle_; }
    void Reset() {
        if (valid()) Traits::Close(std::exchange(handle_, Traits::None()));
    }

private:
    Handle handle_;
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static Handle None() { return 0; }
    static void Close(Handle handle) { MsiCloseHandle(handle); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { GlobalFree(handle); }
};

// A file opened with CreateFile.
using FileHandle = ScopedHandle<FileHandleTraits>;
// An installer handle: a record, a database, a view.
using MsiHandle = ScopedHandle<MsiHandleTraits>;
// A global memory block from GlobalAlloc.
using GlobalMemory = ScopedHandle<GlobalMemoryTraits>;

}  // namespace brimsett
