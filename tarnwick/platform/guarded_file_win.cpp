// Win32 only: whole-file reads of held files and replacement through a held temporary file.
#include "platform/guarded_file_win.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win/scoped_handle.h"

namespace tarnwick {

namespace {

bool IsExclusion(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// The file index alone, from the file system's internal information: the volume's serial number
// (which GetFileInformationByHandle and the 128-bit file ID add) costs a call to another process
// under Wine, slower than the whole rewrite of a file, and the index alone tells a replaced file
// from the old one in the same folder. Two folders on different volumes with the same index
// merely share a turn.
using QueryInformationFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
constexpr int kFileInternalInformation = 6;

QueryInformationFile InternalInformationQuery() {
    static const QueryInformationFile query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "NtQueryInformationFile") : nullptr;
        return reinterpret_cast<QueryInformationFile>(reinterpret_cast<void*>(found));
    }();
    return query;
}

// The self-relative security descriptor of an open file: owner, group and DACL.
bool SecurityOf(HANDLE file, std::vector<unsigned char>& descriptor) {
    constexpr SECURITY_INFORMATION kParts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    descriptor.resize(1024);
    DWORD needed = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (GetKernelObjectSecurity(file, kParts, descriptor.data(), static_cast<DWORD>(descriptor.size()), &needed)) {
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= descriptor.size()) return false;
        descriptor.resize(needed);
    }
    return false;
}

// Copies every named stream of the file at `from` to the file at `to` (the unnamed one holds the
// bytes). A file system without named streams (Wine's among them) has nothing to copy.
bool CopyNamedStreams(HANDLE model, const std::wstring& from, const std::wstring& to) {
    std::vector<unsigned char> list(4096);
    while (!GetFileInformationByHandleEx(model, FileStreamInfo, list.data(), static_cast<DWORD>(list.size()))) {
        if (GetLastError() != ERROR_MORE_DATA || list.size() >= (1u << 20)) return true;
        list.resize(list.size() * 2);
    }
    std::size_t offset = 0;
    std::vector<char> chunk;
    for (;;) {
        const auto* stream = reinterpret_cast<const FILE_STREAM_INFO*>(list.data() + offset);
        const std::wstring name(stream->StreamName, stream->StreamNameLength / sizeof(wchar_t));
        if (!name.empty() && name != L"::$DATA") {
            const win::FileHandle source = win::OpenSharingAll((from + name).c_str(), GENERIC_READ);
            win::FileHandle target(CreateFileW((to + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!source.valid() || !target.valid()) return false;
            chunk.resize(1u << 16);
            DWORD got = 0;
            do {
                if (!ReadFile(source.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
                    return false;
                DWORD written = 0;
                if (got != 0 && (!WriteFile(target.get(), chunk.data(), got, &written, nullptr) || written != got))
                    return false;
            } while (got != 0);
            if (!FlushFileBuffers(target.get()) || !target.Reset()) return false;
        }
        if (stream->NextEntryOffset == 0) return true;
        offset += stream->NextEntryOffset;
        if (offset + sizeof(FILE_STREAM_INFO) > list.size()) return true;
    }
}

}  // namespace

bool CarrySecurity(HANDLE from, HANDLE to) {
    std::vector<unsigned char> old;
    std::vector<unsigned char> made;
    if (!SecurityOf(from, old) || !SecurityOf(to, made)) return false;
    // Most files take all their security from their folder, as the new one did: nothing to do.
    if (old == made) return true;
    // The DACL with its control bits (protected from inheritance or not) exactly as the old file
    // has it, inherited entries included: the new file sits in the same folder.
    if (!SetKernelObjectSecurity(to, DACL_SECURITY_INFORMATION, old.data())) return false;
    // Owner and group only where this run may set them (an installer running as SYSTEM may); a
    // user's run makes the new file its own, as any file it writes.
    if (!SetKernelObjectSecurity(to, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, old.data()))
        (void)SetKernelObjectSecurity(to, GROUP_SECURITY_INFORMATION, old.data());
    return true;
}

FileIdentity IdentityOf(HANDLE handle) {
    FileIdentity identity;
    const QueryInformationFile query = InternalInformationQuery();
    IO_STATUS_BLOCK status{};
    LARGE_INTEGER index{};
    if (query != nullptr && query(handle, &status, &index, sizeof(index), kFileInternalInformation) >= 0) {
        identity.known = true;
        identity.index = static_cast<unsigned long long>(index.QuadPart);
    }
    return identity;
}

FileIdentity IdentityOf(const std::wstring& path) {
    const win::FileHandle file = win::OpenSharingAll(path.c_str(), FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
    return file.valid() ? IdentityOf(file.get()) : FileIdentity();
}

std::wstring FinalPathOf(HANDLE handle) {
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring path(MAX_PATH + 8, L'\0');
    DWORD size = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), kFlags);
    if (size >= path.size()) {
        path.resize(size);
        size = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), kFlags);
    }
    if (size == 0 || size >= path.size()) return std::wstring();
    path.resize(size);
    return PlainPathOf(std::move(path));
}

std::wstring PlainPathOf(std::wstring path) {
    // Back from the system's "\\?\" form to the plain one that the rest of the program uses.
    constexpr std::wstring_view kShare = L"\\\\?\\UNC\\";
    constexpr std::wstring_view kLocal = L"\\\\?\\";
    if (path.starts_with(kShare)) return L"\\\\" + path.substr(kShare.size());
    if (!path.starts_with(kLocal)) return std::wstring();
    path.erase(0, kLocal.size());
    // A drive letter, a colon and a backslash; a volume without a drive letter has no plain path.
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return std::wstring();
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

namespace {

// Whether the open file `file` is what lies at `path` itself: the same name in the same folder,
// however each spells the folder. Not so when a link at `path` was followed to its target.
bool IsTheNameItself(HANDLE file, const std::wstring& path) {
    const std::wstring final = FinalPathOf(file);
    const std::wstring finalFolder = FolderOf(final);
    const std::wstring folder = FolderOf(path);
    if (finalFolder.empty() || !SamePath(final.substr(finalFolder.size()), path.substr(folder.size()))) return false;
    if (SamePath(finalFolder, folder)) return true;
    const FileIdentity here = IdentityOf(folder);
    const FileIdentity there = IdentityOf(finalFolder);
    return here.known && there.known && here.index == there.index;
}

}  // namespace

Removal RemoveUnlessHeld(const std::wstring& path) {
    // Opened as itself: a link or junction is not followed, and a folder is opened only to tell
    // what it is. Without sharing, so that a file some run still writes is left alone.
    const win::FileHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (IsAbsence(error)) return Removal::kAbsent;
        if (IsExclusion(error)) return Removal::kHeld;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return link ? Removal::kLinkKept : Removal::kKept;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof(tag))) return Removal::kKept;
    const bool link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!link) {
        if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Removal::kKept;  // never one of ours
        if (!IsTheNameItself(file.get(), path)) return Removal::kLinkKept;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition)))
        return Removal::kRemoved;
    return link ? Removal::kLinkKept : Removal::kKept;
}

std::wstring FolderOf(const std::wstring& fullPath) {
    const std::size_t cut = fullPath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : fullPath.substr(0, cut + 1);
}

std::wstring FullPathOf(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size()) return std::wstring();
    full.resize(size);
    return full;
}

bool SnapshotOf(const std::wstring& path, FileSnapshot& snapshot, bool identify) {
    snapshot = FileSnapshot();
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &snapshot.data)) {
        snapshot.exists = true;
        if (identify) snapshot.identity = IdentityOf(path);
        return true;
    }
    return IsAbsence(GetLastError());
}

bool SameSnapshot(const FileSnapshot& a, const FileSnapshot& b) {
    if (a.exists != b.exists) return false;
    if (!a.exists) return true;
    auto same = [](const FILETIME& x, const FILETIME& y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    if (a.identity.known && b.identity.known && a.identity.index != b.identity.index) return false;
    return a.data.dwFileAttributes == b.data.dwFileAttributes && a.data.nFileSizeLow == b.data.nFileSizeLow &&
           a.data.nFileSizeHigh == b.data.nFileSizeHigh && same(a.data.ftLastWriteTime, b.data.ftLastWriteTime) &&
           same(a.data.ftCreationTime, b.data.ftCreationTime);
}

FileFailure HeldFile::Read(const std::wstring& path, std::string& bytes) {
    Release();
    bytes.clear();
    finalPath_.clear();
    // Others may go on reading (a CAD application that has the file open keeps it), but nobody may
    // write, rename or delete it until it is released.
    (void)file_.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.valid()) {
        const DWORD error = GetLastError();
        if (IsConfirmedAbsence(path, error)) {
            snapshot_ = FileSnapshot();
            return FileFailure::kNotFound;
        }
        return IsExclusion(error) ? FileFailure::kHeldOpen : FileFailure::kUnreadable;
    }
    // Where the file really lives: a link's path names the link, whose own attributes (a size of
    // 0 among them) say nothing of the file, and a rename over it would replace the link.
    finalPath_ = FinalPathOf(file_.get());
    if (finalPath_.empty()) {
        Release();
        return FileFailure::kNoFinalPath;
    }
    // By path, the final one: under Wine this is far cheaper than asking the open handle for its
    // information. The size for the read comes from the open file, and the read goes on to the end.
    if (!SnapshotOf(finalPath_, snapshot_) || !snapshot_.exists) return FileFailure::kUnreadable;
    snapshot_.identity = IdentityOf(file_.get());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size) || size.QuadPart < 0) return FileFailure::kUnreadable;
    if (size.QuadPart > kMaxWholeFileSize) return FileFailure::kTooLarge;
    const OpenFileRead read = ReadOpenFile(file_.get(), static_cast<std::size_t>(size.QuadPart), bytes);
    if (read == OpenFileRead::kWhole) return FileFailure::kNone;
    bytes.clear();
    return read == OpenFileRead::kTooLarge ? FileFailure::kTooLarge : FileFailure::kUnreadable;
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::Discard() {
    if (!file_.valid()) return;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof(disposition));
    (void)file_.Reset();
}

bool ReplacementFile::Create(const std::wstring& path) {
    // Held without sharing until renamed: no other run takes it for a leftover. Security access so
    // that it can take the old file's; a new file grants its maker what it asks for, but should a
    // file system refuse the right to change the owner, the file is made without it. Made new, as
    // itself: whatever lies at the name (a file, a link, a junction) makes the creation fail, and
    // nothing is ever written through it.
    constexpr DWORD kAccess = GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    (void)file_.Reset(CreateFileW(path.c_str(), kAccess | WRITE_OWNER, 0, nullptr, CREATE_NEW, kFlags, nullptr));
    if (!file_.valid() && GetLastError() == ERROR_ACCESS_DENIED)
        (void)file_.Reset(CreateFileW(path.c_str(), kAccess, 0, nullptr, CREATE_NEW, kFlags, nullptr));
    if (file_.valid()) temporaryPath_ = path;
    return file_.valid();
}

bool ReplacementFile::CopyMetadataFrom(const FileSnapshot& old, HANDLE model, SecurityCarrier carrySecurity) {
    // The hidden and system marks (a new file is marked for archiving anyway) and the creation
    // time. Wine keeps no creation time: there the new file shows its own.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};
    const DWORD kept = old.data.dwFileAttributes & kKept;
    if (kept != 0) basic.FileAttributes = kept | FILE_ATTRIBUTE_ARCHIVE;
    basic.CreationTime.LowPart = old.data.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(old.data.ftCreationTime.dwHighDateTime);
    if (!SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof(basic))) return false;
    if (model == INVALID_HANDLE_VALUE) return true;
    // Never less protected than the old file: without its security the new one is not put in place.
    if (!carrySecurity(model, file_.get())) {
        failure_ = FileFailure::kSecurityNotKept;
        return false;
    }
    return CopyNamedStreams(model, fullPath_, temporaryPath_);
}

bool ReplacementFile::Write(const std::wstring& fullPath, std::string_view bytes, const FileSnapshot& old, HANDLE model,
                            const std::wstring& temporaryName, std::wstring (*spareName)(unsigned long),
                            SecurityCarrier carrySecurity) {
    Discard();
    fullPath_ = fullPath;
    failure_ = FileFailure::kNotWritten;
    leftoverSeen_ = false;
    // The temporary name sits in the same folder and is no longer than the file's own name, so a
    // path that fits the system's limit still fits.
    const std::wstring folder = FolderOf(fullPath);
    const unsigned long seed = GetCurrentProcessId() * 2654435761ul + GetTickCount();
    for (unsigned long attempt = 0; attempt < 64; ++attempt) {
        const std::wstring path = folder + (attempt < 2 ? temporaryName : spareName(seed + attempt * 7919ul));
        if (Create(path)) break;
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) failure_ = FileFailure::kNoFolder;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;  // no right, no room
        // A leftover of a run that was killed: removed unless somebody holds it; then its name is
        // tried once more. A link planted at the name that cannot be removed as itself ends it.
        if (attempt == 0) {
            const Removal removal = RemoveUnlessHeld(path);
            leftoverSeen_ = removal == Removal::kRemoved;
            if (removal == Removal::kLinkKept) {
                failure_ = FileFailure::kLinkNotRemoved;
                return false;
            }
        }
    }
    if (!file_.valid()) return false;
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            Discard();
            return false;
        }
        bytes.remove_prefix(written);
    }
    if (old.exists && !CopyMetadataFrom(old, model, carrySecurity)) {
        Discard();
        return false;
    }
    // On the disk before it is renamed over the old file: a file system that journals the rename
    // but not the data could otherwise show an empty or zeroed file after a power cut.
    if (!FlushFileBuffers(file_.get())) {
        Discard();
        return false;
    }
    return true;
}

bool ReplacementFile::RenameOverTarget(bool replacing) {
    targetAppeared_ = false;
    failure_ = FileFailure::kNotReplaced;
    if (!file_.valid()) return false;
    // Renamed through the held handle: the file is never unheld before it is in place.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + fullPath_.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replacing ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(fullPath_.size()) * static_cast<DWORD>(sizeof(wchar_t));
    std::memcpy(rename->FileName, fullPath_.c_str(), (fullPath_.size() + 1) * sizeof(wchar_t));
    if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        const DWORD error = GetLastError();
        targetAppeared_ = !replacing && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
        Discard();
        return false;
    }
    (void)file_.Reset();
    return true;
}

}  // namespace tarnwick
