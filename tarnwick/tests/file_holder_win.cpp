// A helper process for the registration tests: holds a file open the way another program would
// (Wine enforces share modes between processes), or holds its turn as a stalled run would, until
// told to let go.
// Usage: tarnwick_file_holder MODE PATH READY_EVENT RELEASE_EVENT
//   MODE: exclusive (read, no sharing), writeonly (write, others may only write),
//         reading (read, others may only read), turn (the file's turn, the file untouched)
#include <windows.h>

#include <cwchar>
#include <memory>

#include "platform/guarded_file_win.h"
#include "registration/file_turn_win.h"
#include "win/scoped_handle.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    std::unique_ptr<tarnwick::FileTurnMutex> turn;
    if (std::wcscmp(argv[1], L"turn") == 0) {
        turn = std::make_unique<tarnwick::FileTurnMutex>(tarnwick::FullPathOf(argv[2]));
        if (!turn->held()) return 3;
    }
    DWORD access = GENERIC_READ;
    DWORD share = 0;
    if (std::wcscmp(argv[1], L"writeonly") == 0) {
        access = GENERIC_WRITE;
        share = FILE_SHARE_WRITE;
    } else if (std::wcscmp(argv[1], L"reading") == 0) {
        share = FILE_SHARE_READ;
    } else if (turn == nullptr && std::wcscmp(argv[1], L"exclusive") != 0) {
        return 2;
    }
    win::FileHandle file;
    if (turn == nullptr) {
        (void)file.Reset(CreateFileW(argv[2], access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return 3;
    }
    const win::KernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]));
    const win::KernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    if (!ready.valid() || !release.valid()) return 4;
    SetEvent(ready.get());
    WaitForSingleObject(release.get(), 60000);
    return 0;
}
