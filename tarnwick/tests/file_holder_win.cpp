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

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    std::unique_ptr<tarnwick::FileTurn> turn;
    if (std::wcscmp(argv[1], L"turn") == 0) {
        turn = std::make_unique<tarnwick::FileTurn>(tarnwick::FullPathOf(argv[2]));
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
    HANDLE file = INVALID_HANDLE_VALUE;
    if (turn == nullptr) {
        file = CreateFileW(argv[2], access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 3;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
    int result = 4;
    if (ready != nullptr && release != nullptr) {
        SetEvent(ready);
        WaitForSingleObject(release, 60000);
        result = 0;
    }
    if (ready != nullptr) CloseHandle(ready);
    if (release != nullptr) CloseHandle(release);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return result;
}
