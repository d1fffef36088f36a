// Win32 test kit: writing a Windows Installer database with msi.dll's SQL.
//
//   testkit::MsiDatabaseWriter writer(L"C:\\folder\\package.msi");
//   writer.CreateCustomActionTables();
//   writer.Insert(L"Binary", L"`Name`, `Data`", {L"ActionDll", testkit::MsiField::File(dllPath)});
//   writer.WriteSummary();
//   writer.Commit();
//   if (!writer.ok()) ... writer.error() says what failed first
#pragma once

#include <windows.h>

#include <msi.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "win/scoped_handle.h"

namespace testkit {

// The platform of every package a test writes follows the build: a 64-bit custom-action DLL runs
// only from an x64 package, a 32-bit one from an Intel package.
#ifdef _WIN64
inline constexpr wchar_t kPackagePlatform[] = L"x64;1033";
#else
inline constexpr wchar_t kPackagePlatform[] = L"Intel;1033";
#endif

// One field of a row: text, a number, a null, or (for a Binary row) a file streamed in.
struct MsiField {
    enum Kind { Text, Number, Null, Stream } kind;
    std::wstring text;
    int number = 0;
    MsiField(const wchar_t* value) : kind(Text), text(value) {}           // NOLINT(google-explicit-constructor)
    MsiField(std::wstring value) : kind(Text), text(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    MsiField(int value) : kind(Number), number(value) {}                  // NOLINT(google-explicit-constructor)
    static MsiField None() {
        MsiField field(L"");
        field.kind = Null;
        return field;
    }
    static MsiField File(std::wstring path) {
        MsiField field(std::move(path));
        field.kind = Stream;
        return field;
    }
};

// Creates a new database at a path (replacing any file there). Every step after the first
// failure does nothing; error() names that failure.
class MsiDatabaseWriter {
public:
    explicit MsiDatabaseWriter(const std::wstring& path);
    MsiDatabaseWriter(const MsiDatabaseWriter&) = delete;
    MsiDatabaseWriter& operator=(const MsiDatabaseWriter&) = delete;

    bool ok() const { return error_.empty(); }
    const std::wstring& error() const { return error_; }

    // Runs one SQL statement; `parameters`, a record, supplies the values of its "?" markers.
    void Sql(const std::wstring& query, MSIHANDLE parameters = 0);
    // INSERT INTO `table` (columns) VALUES (fields).
    void Insert(const std::wstring& table, const std::wstring& columns, std::initializer_list<MsiField> fields);
    // The tables every package with a DLL custom action needs: Property, Binary, CustomAction.
    void CreateCustomActionTables();
    // Summary information: template kPackagePlatform, a new revision GUID, page count 200, word count
    // 2 (compressed source) and, when given, a title.
    void WriteSummary(const std::wstring& title = L"");
    void Commit();

private:
    void Fail(const std::wstring& what, UINT status);

    win::MsiHandle database_;
    std::wstring error_;
};

}  // namespace testkit
