// A real Windows Installer session for tests of custom-action DLLs.
//
// A test describes a package (the DLL under test, properties, custom actions), opens it and runs
// actions in it:
//
//   brimsett_test::Package package;
//   package.dllPath = testkit::PathBesideTestProgram(L"brimsett.dll");
//   package.properties = {{L"TEMPDIR", L"C:\\x"}};
//   package.actions = {{L"CreateTempDir", L"CreateTempDir"}};   // name -> export, type 1
//   brimsett_test::InstallerSession session(package);
//   ASSERT_TRUE(session.ok()) << session.error();
//   UINT result = session.DoAction(L"CreateTempDir");
//   EXPECT_EQ(session.LinesOf(L"CreateTempDir"), (Lines{L"CreateTempDir:  Initialized."}));
//
// At construction the session writes an MSI database into a fresh temporary folder (tables
// Property, Binary and CustomAction, the DLL as the stream of one Binary row, summary
// information with the build's platform as its template, testkit::kPackagePlatform, a revision
// GUID, page count 200 and word count 2),
// turns on the installer log (MsiEnableLogW), installs an external UI record handler that
// captures every message, and opens the package with MsiOpenPackageW. The destructor closes the
// package, removes the handler and the log, and deletes the folder.
//
// The installer's external UI handler and its log are process-wide, so only one session may be
// open at a time in a test program.
//
// Under Wine every DLL custom action runs in a helper process from a temporary copy of the DLL,
// and an action that failed to load, lacks its export or crashed is reported as success: a test
// must check the lines or properties that prove the DLL ran, never the result code alone.
#pragma once

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "testkit/files_win.h"
#include "win/scoped_handle.h"

namespace brimsett_test {

using Lines = std::vector<std::wstring>;

// One row of the CustomAction table. With the default type (1: a DLL stored in the Binary
// table, run immediately) the installer calls `exportName` of the package's DLL.
struct CustomActionRow {
    std::wstring name;
    std::wstring exportName;
    int type = 1;
};

struct Package {
    std::wstring dllPath;  // Windows path of the DLL under test; stored as Binary row "ActionDll"
    std::vector<std::pair<std::wstring, std::wstring>> properties;  // rows of the Property table
    std::vector<CustomActionRow> actions;
};

// A message the installer passed to the external UI handler.
struct CapturedMessage {
    UINT type = 0;                     // the full message type; kind() is its high byte
    std::wstring text;                 // field 0 (the template) as sent
    std::vector<std::wstring> fields;  // fields 1..n
    UINT kind() const { return type & 0xFF000000u; }
    bool isInfo() const { return kind() == INSTALLMESSAGE_INFO; }
};

class InstallerSession {
public:
    explicit InstallerSession(const Package& package);
    ~InstallerSession();
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;

    // Whether the package opened; error() says what failed otherwise.
    bool ok() const { return handle_.valid(); }
    const std::wstring& error() const { return error_; }

    // MsiDoActionW on the package; the installer's result code.
    UINT DoAction(const std::wstring& action);

    // Answers IDCANCEL to the first message for which `when` holds (then 0 again, as for every
    // other message). An empty function cancels nothing.
    void CancelAt(std::function<bool(const CapturedMessage&)> when);
    // True once a message was answered with IDCANCEL.
    bool cancelled() const;

    // Everything captured since the session opened or since ClearMessages.
    std::vector<CapturedMessage> Messages() const;
    void ClearMessages();
    // The texts of the informational messages, in order.
    Lines InfoLines() const;
    // The informational lines that begin with "<logName>:  ", whole, in order.
    Lines LinesOf(const std::wstring& logName) const;

    std::wstring GetProperty(const std::wstring& name) const;
    UINT SetProperty(const std::wstring& name, const std::wstring& value);

    // Closes the package (properties and actions are then gone; captured messages stay).
    void Close();

    // The installer log (decoded as UTF-16 when it carries a byte-order mark, else as ANSI
    // text). Wine's installer keeps the log open without read sharing until the package is
    // closed, so call Close() first; an unreadable log gives "<cannot open log: status>".
    std::wstring LogText() const;

    MSIHANDLE handle() const { return handle_.get(); }
    const std::wstring& folder() const { return folder_.path(); }
    const std::wstring& packagePath() const { return packagePath_; }

private:
    static INT CALLBACK Handler(LPVOID context, UINT type, MSIHANDLE record);
    INT OnMessage(UINT type, MSIHANDLE record);
    bool Build(const Package& package);

    testkit::TempFolder folder_{L"brimsett-session-"};
    win::MsiHandle handle_;
    std::wstring error_;
    std::wstring packagePath_;
    std::wstring logPath_;
    bool handlerInstalled_ = false;
    INSTALLUILEVEL previousUiLevel_ = INSTALLUILEVEL_NOCHANGE;

    mutable std::mutex mutex_;
    std::vector<CapturedMessage> messages_;
    std::function<bool(const CapturedMessage&)> cancelWhen_;
    bool cancelled_ = false;
};

}  // namespace brimsett_test
