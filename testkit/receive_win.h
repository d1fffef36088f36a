// Win32 only: a handle owner's slot for a call that hands a new handle back through a pointer,
// as in `OpenProcessToken(process, access, Receive(token))`. The handle the call gives goes to the
// owner (closing the one it held) when the call's full expression ends.
#pragma once

#include "win/scoped_handle.h"

namespace testkit {

template <typename Traits>
class Received {
public:
    using Handle = typename Traits::Handle;

    explicit Received(win::ScopedHandle<Traits>& owner) : owner_(owner) {}
    ~Received() { (void)owner_.Reset(handle_); }
    Received(const Received&) = delete;
    Received& operator=(const Received&) = delete;
    operator Handle*() { return &handle_; }

private:
    win::ScopedHandle<Traits>& owner_;
    Handle handle_ = Traits::None();
};

template <typename Traits>
Received<Traits> Receive(win::ScopedHandle<Traits>& owner) {
    return Received<Traits>(owner);
}

}  // namespace testkit
