// Win32 only: whole-file reads.
#include "platform/whole_file_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/file_calls_win.h"
#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

template <typename Char>
WholeFileRead ReadWholeFileT(const std::basic_string<Char>& path, ReadSharing sharing, std::string& bytes) {
    using namespace file_calls;
    WholeFileRead read;
    bytes.clear();
    const DWORD share =
        sharing == ReadSharing::kReadersOnly ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    win::FileHandle file(Open(path.c_str(), GENERIC_READ, share, OPEN_EXISTING));
    if (!file.valid()) {
        // Only a file that is really not there counts as absent; anything else in the way
        // (sharing, access, a directory of that name) means the file must be left alone.
        if (IsAbsence(GetLastError()) && AttributesOf(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
            IsAbsence(GetLastError())) {
            read.state = FileReadState::kAbsent;
        }
        return read;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxWholeFileSize) return read;
    // By path: under Wine this is far cheaper than asking the open handle for its information.
    read.attributes = AttributesOf(path.c_str());
    if (read.attributes == INVALID_FILE_ATTRIBUTES) return read;
    read.state = FileReadState::kRead;
    read.reachedEnd = ReadOpenFile(file.get(), static_cast<std::size_t>(size.QuadPart), bytes);
    return read;
}

}  // namespace

bool ReadOpenFile(void* file, std::size_t size, std::string& bytes) {
    // Read what the size promises; should the file turn out shorter, what was there is what counts.
    bytes.resize(size);
    std::size_t filled = 0;
    bool whole = true;
    while (filled < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 24));
        if (!ReadFile(file, bytes.data() + filled, want, &got, nullptr)) {
            whole = false;
            break;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return whole;
}

WholeFileRead ReadWholeFile(const std::string& path, ReadSharing sharing, std::string& bytes) {
    return ReadWholeFileT(path, sharing, bytes);
}

WholeFileRead ReadWholeFile(const std::wstring& path, ReadSharing sharing, std::string& bytes) {
    return ReadWholeFileT(path, sharing, bytes);
}

}  // namespace tarnwick
