// Win32 only: builds a package with msi.dll and runs it through the installer API.
#include "tests/msi_harness.h"

#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace brimsett_test {
namespace {

constexpr wchar_t kBinaryName[] = L"ActionDll";

// Summary information property ids.
constexpr UINT kTemplate = 7;
constexpr UINT kRevisionNumber = 9;
constexpr UINT kPageCount = 14;
constexpr UINT kWordCount = 15;

// Closes an installer handle when it goes out of scope.
class Handle {
public:
    Handle() = default;
    ~Handle() {
        if (h_) MsiCloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MSIHANDLE* out() { return &h_; }
    MSIHANDLE get() const { return h_; }

private:
    MSIHANDLE h_ = 0;
};

std::wstring RecordString(MSIHANDLE record, UINT field) {
    DWORD length = 0;
    wchar_t empty[1] = {L'\0'};
    UINT status = MsiRecordGetStringW(record, field, empty, &length);
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return std::wstring();
    std::wstring text(length + 1, L'\0');
    length += 1;
    if (MsiRecordGetStringW(record, field, text.data(), &length) != ERROR_SUCCESS) return std::wstring();
    text.resize(length);
    return text;
}

std::wstring Decimal(UINT status) {
    wchar_t text[16];
    (void)std::swprintf(text, 16, L"%u", status);
    return text;
}

// Runs one SQL statement; a record supplies the values of its "?" markers.
UINT Execute(MSIHANDLE database, const std::wstring& query, MSIHANDLE parameters = 0) {
    Handle view;
    UINT status = MsiDatabaseOpenViewW(database, query.c_str(), view.out());
    if (status != ERROR_SUCCESS) return status;
    status = MsiViewExecute(view.get(), parameters);
    MsiViewClose(view.get());
    return status;
}

std::wstring NewGuid() {
    GUID guid;
    CoCreateGuid(&guid);
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring FreshFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        wchar_t name[64];
        (void)std::swprintf(name, 64, L"brimsett-session-%lu-%u-%lu", GetCurrentProcessId(), counter++, GetTickCount());
        std::wstring folder = std::wstring(temp) + name;
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
    }
}

void DeleteFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolder(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Every kind of message, so that the handler sees everything the installer sends.
constexpr DWORD kAllMessages = INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING |
                               INSTALLLOGMODE_USER | INSTALLLOGMODE_INFO | INSTALLLOGMODE_RESOLVESOURCE |
                               INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA |
                               INSTALLLOGMODE_COMMONDATA | INSTALLLOGMODE_PROGRESS | INSTALLLOGMODE_INITIALIZE |
                               INSTALLLOGMODE_TERMINATE | INSTALLLOGMODE_SHOWDIALOG | INSTALLLOGMODE_FILESINUSE;

}  // namespace

InstallerSession::InstallerSession(const Package& package) : folder_(FreshFolder()) {
    if (folder_.empty()) {
        error_ = L"cannot create a temporary folder";
        return;
    }
    packagePath_ = folder_ + L"\\session.msi";
    logPath_ = folder_ + L"\\install.log";
    if (!Build(package)) return;

    previousUiLevel_ = MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MsiEnableLogW(kAllMessages | INSTALLLOGMODE_VERBOSE, logPath_.c_str(), INSTALLLOGATTRIBUTES_FLUSHEACHLINE);
    UINT status = MsiSetExternalUIRecord(&InstallerSession::Handler, kAllMessages, this, nullptr);
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiSetExternalUIRecord failed with " + Decimal(status);
        return;
    }
    handlerInstalled_ = true;
    status = MsiOpenPackageW(packagePath_.c_str(), &handle_);
    if (status != ERROR_SUCCESS) {
        handle_ = 0;
        error_ = L"MsiOpenPackageW failed with " + Decimal(status);
    }
}

void InstallerSession::Close() {
    if (handle_) MsiCloseHandle(handle_);
    handle_ = 0;
}

InstallerSession::~InstallerSession() {
    Close();
    if (handlerInstalled_) MsiSetExternalUIRecord(nullptr, 0, nullptr, nullptr);
    MsiEnableLogW(0, nullptr, 0);
    if (previousUiLevel_ != INSTALLUILEVEL_NOCHANGE) MsiSetInternalUI(previousUiLevel_, nullptr);
    if (!folder_.empty()) DeleteFolder(folder_);
}

bool InstallerSession::Build(const Package& package) {
    Handle database;
    UINT status = MsiOpenDatabaseW(packagePath_.c_str(), MSIDBOPEN_CREATE, database.out());
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiOpenDatabaseW failed with " + Decimal(status);
        return false;
    }
    const wchar_t* tables[] = {
        L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL "
        L"LOCALIZABLE PRIMARY KEY `Property`)",
        L"CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL PRIMARY KEY "
        L"`Name`)",
        L"CREATE TABLE `CustomAction` (`Action` CHAR(72) NOT NULL, `Type` SHORT NOT NULL, "
        L"`Source` CHAR(72), `Target` CHAR(255) PRIMARY KEY `Action`)",
    };
    for (const wchar_t* query : tables) {
        status = Execute(database.get(), query);
        if (status != ERROR_SUCCESS) {
            error_ = std::wstring(L"cannot create table: ") + query + L": " + Decimal(status);
            return false;
        }
    }

    // Properties every package carries, then the test's own (which may replace them).
    std::vector<std::pair<std::wstring, std::wstring>> properties = {
        {L"ProductCode", NewGuid()},   {L"ProductName", L"Brimsett test package"}, {L"ProductVersion", L"1.0.0"},
        {L"ProductLanguage", L"1033"}, {L"Manufacturer", L"Brimsett tests"},
    };
    for (const auto& property : package.properties) {
        bool replaced = false;
        for (auto& existing : properties) {
            if (existing.first == property.first) {
                existing.second = property.second;
                replaced = true;
            }
        }
        if (!replaced) properties.push_back(property);
    }
    for (const auto& [name, value] : properties) {
        Handle record;
        *record.out() = MsiCreateRecord(2);
        MsiRecordSetStringW(record.get(), 1, name.c_str());
        MsiRecordSetStringW(record.get(), 2, value.c_str());
        status = Execute(database.get(), L"INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", record.get());
        if (status != ERROR_SUCCESS) {
            error_ = L"cannot add property " + name + L": " + Decimal(status);
            return false;
        }
    }

    {
        Handle record;
        *record.out() = MsiCreateRecord(2);
        MsiRecordSetStringW(record.get(), 1, kBinaryName);
        status = MsiRecordSetStreamW(record.get(), 2, package.dllPath.c_str());
        if (status != ERROR_SUCCESS) {
            error_ = L"cannot read the DLL " + package.dllPath + L": " + Decimal(status);
            return false;
        }
        status = Execute(database.get(), L"INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", record.get());
        if (status != ERROR_SUCCESS) {
            error_ = L"cannot add the DLL to the Binary table: " + Decimal(status);
            return false;
        }
    }

    for (const CustomActionRow& action : package.actions) {
        Handle record;
        *record.out() = MsiCreateRecord(4);
        MsiRecordSetStringW(record.get(), 1, action.name.c_str());
        MsiRecordSetInteger(record.get(), 2, action.type);
        MsiRecordSetStringW(record.get(), 3, kBinaryName);
        MsiRecordSetStringW(record.get(), 4, action.exportName.c_str());
        status = Execute(database.get(),
                         L"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
                         L"VALUES (?, ?, ?, ?)",
                         record.get());
        if (status != ERROR_SUCCESS) {
            error_ = L"cannot add custom action " + action.name + L": " + Decimal(status);
            return false;
        }
    }

    Handle summary;
    status = MsiGetSummaryInformationW(database.get(), nullptr, 20, summary.out());
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiGetSummaryInformationW failed with " + Decimal(status);
        return false;
    }
    std::wstring revision = NewGuid();
    MsiSummaryInfoSetPropertyW(summary.get(), kTemplate, VT_LPSTR, 0, nullptr, kPackagePlatform);
    MsiSummaryInfoSetPropertyW(summary.get(), kRevisionNumber, VT_LPSTR, 0, nullptr, revision.c_str());
    MsiSummaryInfoSetPropertyW(summary.get(), kPageCount, VT_I4, 200, nullptr, nullptr);
    MsiSummaryInfoSetPropertyW(summary.get(), kWordCount, VT_I4, 2, nullptr, nullptr);
    status = MsiSummaryInfoPersist(summary.get());
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiSummaryInfoPersist failed with " + Decimal(status);
        return false;
    }
    status = MsiDatabaseCommit(database.get());
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiDatabaseCommit failed with " + Decimal(status);
        return false;
    }
    return true;
}

INT CALLBACK InstallerSession::Handler(LPVOID context, UINT type, MSIHANDLE record) {
    return static_cast<InstallerSession*>(context)->OnMessage(type, record);
}

INT InstallerSession::OnMessage(UINT type, MSIHANDLE record) {
    CapturedMessage message;
    message.type = type;
    if (record) {
        message.text = RecordString(record, 0);
        UINT count = MsiRecordGetFieldCount(record);
        for (UINT field = 1; field <= count && count != static_cast<UINT>(-1); ++field) {
            message.fields.push_back(RecordString(record, field));
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    bool cancel = false;
    if (cancelWhen_ && !cancelled_ && cancelWhen_(message)) {
        cancel = true;
        cancelled_ = true;
    }
    messages_.push_back(std::move(message));
    return cancel ? IDCANCEL : 0;
}

UINT InstallerSession::DoAction(const std::wstring& action) {
    return MsiDoActionW(handle_, action.c_str());
}

void InstallerSession::CancelAt(std::function<bool(const CapturedMessage&)> when) {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelWhen_ = std::move(when);
    cancelled_ = false;
}

bool InstallerSession::cancelled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

std::vector<CapturedMessage> InstallerSession::Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

void InstallerSession::ClearMessages() {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

Lines InstallerSession::InfoLines() const {
    Lines lines;
    for (const CapturedMessage& message : Messages()) {
        if (message.isInfo()) lines.push_back(message.text);
    }
    return lines;
}

Lines InstallerSession::LinesOf(const std::wstring& logName) const {
    std::wstring prefix = logName + L":  ";
    Lines lines;
    for (const std::wstring& line : InfoLines()) {
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    }
    return lines;
}

std::wstring InstallerSession::GetProperty(const std::wstring& name) const {
    DWORD length = 0;
    wchar_t empty[1] = {L'\0'};
    UINT status = MsiGetPropertyW(handle_, name.c_str(), empty, &length);
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return std::wstring();
    std::wstring value(length + 1, L'\0');
    length += 1;
    if (MsiGetPropertyW(handle_, name.c_str(), value.data(), &length) != ERROR_SUCCESS) {
        return std::wstring();
    }
    value.resize(length);
    return value;
}

UINT InstallerSession::SetProperty(const std::wstring& name, const std::wstring& value) {
    return MsiSetPropertyW(handle_, name.c_str(), value.c_str());
}

std::wstring InstallerSession::LogText() const {
    // The installer keeps the log open; read it with full sharing.
    HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return L"<cannot open log: " + Decimal(GetLastError()) + L">";
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    return Widen(bytes);
}

std::wstring PathBesideTestProgram(const std::wstring& relative) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    directory.resize(directory.find_last_of(L'\\'));
    return directory + L"\\" + relative;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

}  // namespace brimsett_test
