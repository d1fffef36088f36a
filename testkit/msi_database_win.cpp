// Win32 test kit: the MSI database writer.
#include "testkit/msi_database_win.h"

#include <msiquery.h>
#include <objbase.h>

#include "testkit/receive_win.h"
#include "testkit/registry_win.h"

namespace testkit {

namespace {

using Handle = win::MsiHandle;

// Summary information property ids.
constexpr UINT kTitle = 2;
constexpr UINT kTemplate = 7;
constexpr UINT kRevisionNumber = 9;
constexpr UINT kPageCount = 14;
constexpr UINT kWordCount = 15;

}  // namespace

MsiDatabaseWriter::MsiDatabaseWriter(const std::wstring& path) {
    DeleteFileW(path.c_str());
    UINT status = MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_CREATE, Receive(database_));
    if (status != ERROR_SUCCESS) {
        (void)database_.Reset();
        Fail(L"MsiOpenDatabaseW", status);
    }
}

void MsiDatabaseWriter::Fail(const std::wstring& what, UINT status) {
    if (error_.empty()) error_ = what + L": status " + std::to_wstring(status);
}

void MsiDatabaseWriter::Sql(const std::wstring& query, MSIHANDLE parameters) {
    if (!ok()) return;
    Handle view;
    UINT status = MsiDatabaseOpenViewW(database_.get(), query.c_str(), Receive(view));
    if (status == ERROR_SUCCESS) status = MsiViewExecute(view.get(), parameters);
    if (view.get()) MsiViewClose(view.get());
    if (status != ERROR_SUCCESS) Fail(query, status);
}

void MsiDatabaseWriter::Insert(const std::wstring& table, const std::wstring& columns,
                               std::initializer_list<MsiField> fields) {
    if (!ok()) return;
    Handle record(MsiCreateRecord(static_cast<UINT>(fields.size())));
    std::wstring markers;
    UINT index = 1;
    for (const MsiField& field : fields) {
        markers += markers.empty() ? L"?" : L", ?";
        UINT status = ERROR_SUCCESS;
        switch (field.kind) {
            case MsiField::Text:
                status = MsiRecordSetStringW(record.get(), index, field.text.c_str());
                break;
            case MsiField::Number:
                status = MsiRecordSetInteger(record.get(), index, field.number);
                break;
            case MsiField::Null:
                status = MsiRecordSetStringW(record.get(), index, L"");
                break;
            case MsiField::Stream:
                status = MsiRecordSetStreamW(record.get(), index, field.text.c_str());
                break;
        }
        if (status != ERROR_SUCCESS) {
            Fail(L"field " + std::to_wstring(index) + L" of " + table, status);
            return;
        }
        ++index;
    }
    Sql(L"INSERT INTO `" + table + L"` (" + columns + L") VALUES (" + markers + L")", record.get());
}

void MsiDatabaseWriter::CreateCustomActionTables() {
    Sql(L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL LOCALIZABLE "
        L"PRIMARY KEY `Property`)");
    Sql(L"CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL PRIMARY KEY `Name`)");
    Sql(L"CREATE TABLE `CustomAction` (`Action` CHAR(72) NOT NULL, `Type` SHORT NOT NULL, `Source` CHAR(72), "
        L"`Target` CHAR(255) PRIMARY KEY `Action`)");
}

void MsiDatabaseWriter::WriteSummary(const std::wstring& title) {
    if (!ok()) return;
    Handle summary;
    UINT status = MsiGetSummaryInformationW(database_.get(), nullptr, 20, Receive(summary));
    if (status != ERROR_SUCCESS) return Fail(L"MsiGetSummaryInformationW", status);
    const std::wstring revision = NewGuidText();
    if (!title.empty()) MsiSummaryInfoSetPropertyW(summary.get(), kTitle, VT_LPSTR, 0, nullptr, title.c_str());
    MsiSummaryInfoSetPropertyW(summary.get(), kTemplate, VT_LPSTR, 0, nullptr, kPackagePlatform);
    MsiSummaryInfoSetPropertyW(summary.get(), kRevisionNumber, VT_LPSTR, 0, nullptr, revision.c_str());
    MsiSummaryInfoSetPropertyW(summary.get(), kPageCount, VT_I4, 200, nullptr, nullptr);
    MsiSummaryInfoSetPropertyW(summary.get(), kWordCount, VT_I4, 2, nullptr, nullptr);
    status = MsiSummaryInfoPersist(summary.get());
    if (status != ERROR_SUCCESS) Fail(L"MsiSummaryInfoPersist", status);
}

void MsiDatabaseWriter::Commit() {
    if (!ok()) return;
    UINT status = MsiDatabaseCommit(database_.get());
    if (status != ERROR_SUCCESS) Fail(L"MsiDatabaseCommit", status);
}

}  // namespace testkit
