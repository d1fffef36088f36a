// Test support (Win32 only): one export in one installer session.
#include "tests/session_support_win.h"

#include "testkit/process_win.h"

namespace brimsett_test {

std::wstring ActionRun::Property(const std::wstring& name) const {
    for (const auto& [key, value] : after)
        if (key == name) return value;
    return std::wstring();
}

std::wstring BrimsettDllPath() {
    return testkit::PathBesideTestProgram(L"brimsett.dll");
}

ActionRun RunExport(const std::wstring& exportName, const std::wstring& logName, const Properties& properties,
                    const std::vector<std::wstring>& read, const std::wstring& cancelAt) {
    Package package;
    package.dllPath = BrimsettDllPath();
    package.properties = properties;
    package.actions = {{exportName, exportName}};
    ActionRun run;
    InstallerSession session(package);
    if (!session.ok()) {
        run.error = session.error();
        return run;
    }
    // The installer sets some properties itself when the package opens (UserSID among them);
    // the test's values are set again so that they win.
    for (const auto& [name, value] : properties) session.SetProperty(name, value);
    if (!cancelAt.empty()) {
        session.CancelAt([cancelAt](const CapturedMessage& message) {
            return message.isInfo() && message.text.compare(0, cancelAt.size(), cancelAt) == 0;
        });
    }
    run.result = session.DoAction(exportName);
    // The entry line depends on the machine's verbose-logging decision, not on the action.
    const std::wstring entry = logName + L":  Entering ";
    for (const std::wstring& line : session.LinesOf(logName))
        if (line.compare(0, entry.size(), entry) != 0) run.lines.push_back(line);
    for (const std::wstring& name : read) run.after.emplace_back(name, session.GetProperty(name));
    return run;
}

}  // namespace brimsett_test
