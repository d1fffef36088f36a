// Win32 only: kernel handles that close themselves, so that no file or search outlives the
// operation that opened it.
#pragma once

#include <windows.h>

#include <utility>

namespace tarnwick {

// Move-only owner of a handle that `Traits::Close` releases; INVALID_HANDLE_VALUE means none.
template <typename Traits>
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (valid()) Traits::Close(handle_);
    }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            if (valid()) Traits::Close(handle_);
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes the handle now, for a caller that must know whether the close succeeded (a write
    // may only fail there).
    bool Close() { return Traits::Close(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE handle_;
};

struct FileHandleTraits {
    static BOOL Close(HANDLE handle) { return CloseHandle(handle); }
};
struct FindHandleTraits {
    static BOOL Close(HANDLE handle) { return FindClose(handle); }
};

// A file opened with CreateFile.
using FileHandle = ScopedHandle<FileHandleTraits>;
// A directory search begun with FindFirstFile.
using FindHandle = ScopedHandle<FindHandleTraits>;

}  // namespace tarnwick
