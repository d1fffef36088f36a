// Win32 only: builds a package with msi.dll and runs it through the installer API.
#include "tests/msi_harness_win.h"

#include <cstdio>

#include "testkit/msi_database_win.h"
#include "testkit/receive_win.h"
#include "testkit/registry_win.h"

namespace brimsett_test {
namespace {

constexpr wchar_t kBinaryName[] = L"ActionDll";

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

// Every kind of message, so that the handler sees everything the installer sends.
constexpr DWORD kAllMessages = INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING |
                               INSTALLLOGMODE_USER | INSTALLLOGMODE_INFO | INSTALLLOGMODE_RESOLVESOURCE |
                               INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA |
                               INSTALLLOGMODE_COMMONDATA | INSTALLLOGMODE_PROGRESS | INSTALLLOGMODE_INITIALIZE |
                               INSTALLLOGMODE_TERMINATE | INSTALLLOGMODE_SHOWDIALOG | INSTALLLOGMODE_FILESINUSE;

}  // namespace

InstallerSession::InstallerSession(const Package& package) {
    if (folder_.path().empty()) {
        error_ = L"cannot create a temporary folder";
        return;
    }
    packagePath_ = folder_.path() + L"\\session.msi";
    logPath_ = folder_.path() + L"\\install.log";
    if (!Build(package)) return;

    previousUiLevel_ = MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MsiEnableLogW(kAllMessages | INSTALLLOGMODE_VERBOSE, logPath_.c_str(), INSTALLLOGATTRIBUTES_FLUSHEACHLINE);
    UINT status = MsiSetExternalUIRecord(&InstallerSession::Handler, kAllMessages, this, nullptr);
    if (status != ERROR_SUCCESS) {
        error_ = L"MsiSetExternalUIRecord failed with " + Decimal(status);
        return;
    }
    handlerInstalled_ = true;
    status = MsiOpenPackageW(packagePath_.c_str(), testkit::Receive(handle_));
    if (status != ERROR_SUCCESS) {
        (void)handle_.Reset();
        error_ = L"MsiOpenPackageW failed with " + Decimal(status);
    }
}

void InstallerSession::Close() {
    (void)handle_.Reset();
}

InstallerSession::~InstallerSession() {
    Close();
    if (handlerInstalled_) MsiSetExternalUIRecord(nullptr, 0, nullptr, nullptr);
    MsiEnableLogW(0, nullptr, 0);
    if (previousUiLevel_ != INSTALLUILEVEL_NOCHANGE) MsiSetInternalUI(previousUiLevel_, nullptr);
}

bool InstallerSession::Build(const Package& package) {
    testkit::MsiDatabaseWriter writer(packagePath_);
    writer.CreateCustomActionTables();

    // Properties every package carries, then the test's own (which may replace them).
    std::vector<std::pair<std::wstring, std::wstring>> properties = {
        {L"ProductCode", testkit::NewGuidText()},
        {L"ProductName", L"Brimsett test package"},
        {L"ProductVersion", L"1.0.0"},
        {L"ProductLanguage", L"1033"},
        {L"Manufacturer", L"Brimsett tests"},
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
    for (const auto& [name, value] : properties) writer.Insert(L"Property", L"`Property`, `Value`", {name, value});

    writer.Insert(L"Binary", L"`Name`, `Data`", {kBinaryName, testkit::MsiField::File(package.dllPath)});
    for (const CustomActionRow& action : package.actions) {
        writer.Insert(L"CustomAction", L"`Action`, `Type`, `Source`, `Target`",
                      {action.name, action.type, kBinaryName, action.exportName});
    }
    writer.WriteSummary();
    writer.Commit();
    error_ = writer.error();
    return writer.ok();
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
    return MsiDoActionW(handle_.get(), action.c_str());
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
    UINT status = MsiGetPropertyW(handle_.get(), name.c_str(), empty, &length);
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return std::wstring();
    std::wstring value(length + 1, L'\0');
    length += 1;
    if (MsiGetPropertyW(handle_.get(), name.c_str(), value.data(), &length) != ERROR_SUCCESS) {
        return std::wstring();
    }
    value.resize(length);
    return value;
}

UINT InstallerSession::SetProperty(const std::wstring& name, const std::wstring& value) {
    return MsiSetPropertyW(handle_.get(), name.c_str(), value.c_str());
}

std::wstring InstallerSession::LogText() const {
    std::wstring text;
    if (!testkit::ReadTextFile(logPath_, text)) return L"<cannot open log: " + Decimal(GetLastError()) + L">";
    return text;
}

}  // namespace brimsett_test
