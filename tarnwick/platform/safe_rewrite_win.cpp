// Win32 only: replacement of a file's contents through a temporary file.
#include "platform/safe_rewrite_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/file_calls_win.h"
#include "platform/scoped_handle_win.h"

namespace tarnwick {

namespace {

template <typename Char>
std::basic_string<Char> HexName(unsigned long value) {
    std::basic_string<Char> text;
    do {
        text.insert(text.begin(), static_cast<Char>("0123456789abcdef"[value % 16]));
        value /= 16;
    } while (value != 0);
    return text;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

template <typename Char>
bool ReplaceFileContentsT(const std::basic_string<Char>& path, std::string_view bytes,
                          std::optional<unsigned long> existingAttributes) {
    const bool exists = existingAttributes.has_value();
    const DWORD attributes = existingAttributes.value_or(0);
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;

    // The temporary name sits in the same directory and is no longer than the file's own name
    // ("~tw" and at most six hex digits), so a path that fits the system's limit still fits.
    const std::size_t slash = path.find_last_of(static_cast<Char>('\\'));
    const std::size_t other = path.find_last_of(static_cast<Char>('/'));
    const std::size_t cut = (slash == std::basic_string<Char>::npos)
                                ? other
                                : (other == std::basic_string<Char>::npos ? slash : std::max(slash, other));
    const std::basic_string<Char> directory =
        cut == std::basic_string<Char>::npos ? std::basic_string<Char>() : path.substr(0, cut + 1);
    std::basic_string<Char> temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    const unsigned long seed = GetCurrentProcessId() * 2654435761ul + GetTickCount();
    for (unsigned long attempt = 0; attempt < 64 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary =
            directory + std::basic_string<Char>{'~', 't', 'w'} + HexName<Char>((seed + attempt * 7919ul) & 0xFFFFFF);
        created = file_calls::Open(temporary.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;  // no directory, no right to create, or no space
        }
    }
    FileHandle file(created);
    if (!file.valid()) return false;
    bool ok = WriteAll(file.get(), bytes);
    ok = file.Close() && ok;
    // The new file takes over the old one's hidden and system marks (a new file is marked for
    // archiving anyway).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && exists && (attributes & kKept) != 0) {
        ok = file_calls::SetAttributes(temporary.c_str(), (attributes & kKept) | FILE_ATTRIBUTE_ARCHIVE) != 0;
    }
    if (ok) ok = file_calls::Move(temporary.c_str(), path.c_str(), exists ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
    if (!ok) file_calls::Delete(temporary.c_str());
    return ok;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContentsT(path, bytes, existingAttributes);
}
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContentsT(path, bytes, existingAttributes);
}

}  // namespace tarnwick
