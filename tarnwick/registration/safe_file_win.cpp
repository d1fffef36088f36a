// Win32 only: whole-file reads and replacement through a temporary file.
#include "registration/safe_file_win.h"

#include <windows.h>

#include "platform/file_handle_win.h"

namespace tarnwick {

namespace {

// Thin overloads so that one template serves narrow and wide paths.
HANDLE OpenFile(const char* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE OpenFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
DWORD AttributesOf(const char* path) {
    return GetFileAttributesA(path);
}
BOOL SetAttributes(const char* path, DWORD attributes) {
    return SetFileAttributesA(path, attributes);
}
BOOL SetAttributes(const wchar_t* path, DWORD attributes) {
    return SetFileAttributesW(path, attributes);
}
// Renaming within one directory puts the new file in place in one step. ReplaceFile is not used:
// where it fails it may leave a file of its own behind in the directory.
BOOL Move(const char* from, const char* to, DWORD flags) {
    return MoveFileExA(from, to, flags | MOVEFILE_WRITE_THROUGH);
}
BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags) {
    return MoveFileExW(from, to, flags | MOVEFILE_WRITE_THROUGH);
}
BOOL Delete(const char* path) {
    return DeleteFileA(path);
}
BOOL Delete(const wchar_t* path) {
    return DeleteFileW(path);
}

template <typename Char>
std::basic_string<Char> HexName(unsigned long value) {
    std::basic_string<Char> text;
    do {
        text.insert(text.begin(), static_cast<Char>("0123456789abcdef"[value % 16]));
        value /= 16;
    } while (value != 0);
    return text;
}

bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

template <typename Char>
FileReadState ReadWholeFileT(const std::basic_string<Char>& path, std::string& bytes, unsigned long& attributes) {
    bytes.clear();
    FileHandle file(OpenFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!file.valid()) {
        // Only a file that is really not there counts as absent; anything else in the way
        // (sharing, access, a directory of that name) means the file must be left alone.
        if (IsAbsence(GetLastError()) && AttributesOf(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
            IsAbsence(GetLastError())) {
            return FileReadState::kAbsent;
        }
        return FileReadState::kUnreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x3FFFFFFF) {
        return FileReadState::kUnreadable;
    }
    // By path: under Wine this is far cheaper than asking the open handle for its information.
    attributes = AttributesOf(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileReadState::kUnreadable;
    // Read what the size promises; should the file turn out shorter, what was there is what counts.
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr)) {
            bytes.clear();
            return FileReadState::kUnreadable;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return FileReadState::kRead;
}

template <typename Char>
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
        created = OpenFile(temporary.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;  // no directory, no right to create, or no room
        }
    }
    FileHandle file(created);
    if (!file.valid()) return false;
    bool ok = WriteAll<Char>(file.get(), bytes);
    ok = file.Close() && ok;
    // The new file takes over the old one's hidden and system marks (a new file is marked for
    // archiving anyway).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && exists && (attributes & kKept) != 0) {
        ok = SetAttributes(temporary.c_str(), (attributes & kKept) | FILE_ATTRIBUTE_ARCHIVE) != 0;
    }
    if (ok) ok = Move(temporary.c_str(), path.c_str(), exists ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
    if (!ok) Delete(temporary.c_str());
    return ok;
}

}  // namespace

FileReadState ReadWholeFile(const std::string& path, std::string& bytes, unsigned long& attributes) {
    return ReadWholeFileT(path, bytes, attributes);
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContentsT(path, bytes, existingAttributes);
}
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         std::optional<unsigned long> existingAttributes) {
    return ReplaceFileContentsT(path, bytes, existingAttributes);
}

FileReadState FileAttributes(const std::wstring& path, unsigned long& attributes) {
    attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return FileReadState::kRead;
    return IsAbsence(GetLastError()) ? FileReadState::kAbsent : FileReadState::kUnreadable;
}

}  // namespace tarnwick
