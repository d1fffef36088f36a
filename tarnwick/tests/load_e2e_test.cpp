// Load tests of the real tarnwick.exe under Wine: a key list of 10,000 keys, a key with 10,000
// installations, InstallDir values of every registry type and of awkward lengths, a protk.dat of
// 50 MB and one with lines of 1 MB. Nothing may crash, nothing may be written but the intended
// files, and nothing that was there may be lost.
//
// Each case appends its sizes and run time to "robustness-figures.txt" in the working folder;
// the test command gathers them into build/figures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testkit/files_win.h"
#include "tests/tarnwick_test_support_win.h"
#include "win/registry_key.h"

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

constexpr char kListSubpath[] = "\\i486_nt\\obj\\xtop.exe\r\n";

// The standard-error line, with its line end, of a loadpoint whose folder does not exist.
std::string GoneLine(const std::string& loadpoint) {
    return "Passed over \"" + loadpoint + "\\text\\protk.dat\": its folder does not exist\r\n";
}

void RecordFigure(const std::string& text) {
    if (FILE* file = std::fopen("robustness-figures.txt", "a")) {
        (void)std::fprintf(file, "%s\n", text.c_str());
        (void)std::fclose(file);
    }
}

// Runs tarnwick.exe and notes how long it took.
ProcessResult TimedRun(const std::vector<std::wstring>& arguments, double* milliseconds) {
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ProcessResult result = RunTarnwick(arguments);
    QueryPerformanceCounter(&end);
    *milliseconds =
        static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    return result;
}

std::size_t CountLines(const std::string& output) {
    std::size_t lines = 0;
    for (char c : output) lines += c == '\n' ? 1 : 0;
    return lines;
}

std::string Fixed(const char* format, double value) {
    char text[64];
    (void)std::snprintf(text, sizeof text, format, value);
    return text;
}

class LoadTest : public ::testing::Test {
protected:
    void WriteKeyList(const std::string& bytes) { ASSERT_TRUE(WriteFileBytes(keyList_, bytes)); }
    std::vector<std::wstring> Registration(std::vector<std::wstring> extra) const {
        std::vector<std::wstring> arguments = {L"/name:MyApp", L"/startup:dll", L"/reg:" + keyList_};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    TempFolder root_;
    ThrowawayLoadpointKeys keys_;
    const std::wstring keyList_ = root_.path() + L"\\keys.txt";
};

TEST_F(LoadTest, KeyListOfTenThousandKeys) {
    const std::wstring loadpoint = MakeLoadpoint(root_.path(), L"creo");
    ASSERT_TRUE(keys_.Add(KEY_WOW64_32KEY, L"creo", loadpoint));
    std::string list;
    for (int i = 0; i < 9999; ++i) {
        char line[80];
        (void)std::snprintf(line, sizeof line, "SOFTWARE\\TarnwickLoadMissing\\Key%05d\r\n", i);
        list += line;
    }
    list += Narrow(keys_.path()) + "\r\n";
    WriteKeyList(list);

    double ms = 0;
    const ProcessResult run = TimedRun({L"/listxtops", L"/reg:" + keyList_}, &ms);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, Narrow(loadpoint) + kListSubpath);
    RecordFigure("key list of 10000 keys (one present), list run: " + Fixed("%.0f ms", ms));
}

TEST_F(LoadTest, KeyWithTenThousandInstallations) {
    std::vector<std::string> expected;
    for (int i = 0; i < 10000; ++i) {
        wchar_t name[16];
        (void)std::swprintf(name, 16, L"inst%05d", i);
        const std::wstring directory = root_.path() + L"\\absent\\" + name;
        ASSERT_TRUE(keys_.Add(KEY_WOW64_32KEY, name, directory));
        expected.push_back(Narrow(directory));
    }
    WriteKeyList(Narrow(keys_.path()) + "\r\n");

    // The list run names no installation whose folder is gone: each is named on standard error.
    double listMs = 0;
    const ProcessResult list = TimedRun({L"/listxtops", L"/reg:" + keyList_}, &listMs);
    EXPECT_EQ(list.exitCode, 0u);
    std::string gone;
    for (const std::string& path : expected) gone += GoneLine(path);
    EXPECT_EQ(list.output, "");
    EXPECT_EQ(list.errors, gone);

    // Registering into 10,000 loadpoints whose folders do not exist writes nothing at all.
    double registerMs = 0;
    const ProcessResult registration = TimedRun(Registration({L"/exec32:C:\\my.dll"}), &registerMs);
    EXPECT_EQ(registration.exitCode, 1u);
    EXPECT_EQ(CountLines(registration.output), 2u + expected.size());
    // Each loadpoint is named on standard error: its folder does not exist.
    EXPECT_EQ(CountLines(registration.errors), expected.size());
    EXPECT_EQ(ListDirectory(root_.path()), std::vector<std::wstring>{L"keys.txt"});
    RecordFigure("key with 10000 installations: list run " + Fixed("%.0f ms", listMs) + ", registration run " +
                 Fixed("%.0f ms", registerMs) + " (nothing written)");
}

// InstallDir written with the narrow function, so that the data has exactly the bytes given.
void SetInstallDir(const std::wstring& parent, const std::wstring& installation, DWORD type, const std::string& data) {
    win::RegistryKey key;
    const std::wstring path = parent + L"\\" + installation;
    // The statuses are compared outside the assertions: the system header spells ERROR_SUCCESS
    // with a lower-case suffix, which the analysis would otherwise find in our expansion.
    const bool created = key.Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS | KEY_WOW64_32KEY) == ERROR_SUCCESS;
    ASSERT_TRUE(created) << Narrow(path);
    const bool set = RegSetValueExA(key.get(), "InstallDir", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    ASSERT_TRUE(set) << Narrow(path);
}

TEST_F(LoadTest, InstallDirOfEveryTypeAndLength) {
    // Every registry type with the same kind of text: only the two string types give loadpoints.
    const DWORD types[] = {REG_NONE,
                           REG_SZ,
                           REG_EXPAND_SZ,
                           REG_BINARY,
                           REG_DWORD,
                           REG_DWORD_BIG_ENDIAN,
                           REG_LINK,
                           REG_MULTI_SZ,
                           REG_RESOURCE_LIST,
                           REG_FULL_RESOURCE_DESCRIPTOR,
                           REG_RESOURCE_REQUIREMENTS_LIST,
                           REG_QWORD};
    for (DWORD type : types) {
        const std::string text = "C:\\typed\\" + std::to_string(type);
        SetInstallDir(keys_.path(), L"type" + std::to_wstring(type), type, text + std::string(1, '\0'));
    }
    // Texts of 0, 259, 260, 261 and 4,096 characters with their terminator: up to 259 the value
    // fits the 260-byte buffer and is recorded; longer ones are skipped, never cut.
    auto text = [](std::size_t length, char fill) { return "C:\\" + std::string(length - 3, fill); };
    SetInstallDir(keys_.path(), L"empty", REG_SZ, std::string(1, '\0'));
    SetInstallDir(keys_.path(), L"len259", REG_SZ, text(259, 'a') + '\0');
    SetInstallDir(keys_.path(), L"len260", REG_SZ, text(260, 'b') + '\0');
    SetInstallDir(keys_.path(), L"len261", REG_SZ, text(261, 'c') + '\0');
    SetInstallDir(keys_.path(), L"len4096", REG_SZ, text(4096, 'd') + '\0');
    // Data of exactly 0 bytes, and of 260 bytes without a terminator (the whole buffer).
    SetInstallDir(keys_.path(), L"zerobytes", REG_SZ, std::string());
    SetInstallDir(keys_.path(), L"unterminated260", REG_EXPAND_SZ, text(260, 'e'));
    WriteKeyList(Narrow(keys_.path()) + "\r\n");

    const ProcessResult run = RunTarnwick({L"/listxtops", L"/reg:" + keyList_});
    EXPECT_EQ(run.exitCode, 0u);
    // Sorted byte-wise. Windows hands the 260 unterminated bytes over whole, and they are
    // recorded as they are; Wine wants space for a terminator and refuses them, and the
    // installation is skipped. Either way nothing is cut. No folder exists, so the list run names
    // each recorded path on standard error instead of listing it, all but the empty one, which
    // it leaves out.
    std::vector<std::string> expectedPaths = {text(259, 'a'), text(260, 'e'), "C:\\typed\\1", "C:\\typed\\2"};
    std::string expected, expectedWithoutUnterminated;
    for (const std::string& path : expectedPaths) {
        expected += GoneLine(path);
        if (path != text(260, 'e')) expectedWithoutUnterminated += GoneLine(path);
    }
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(run.errors == expected || run.errors == expectedWithoutUnterminated) << run.errors;

    // A registration run over them writes nowhere: the folders do not exist, and the empty path
    // (which would name \text\protk.dat on the current drive) is passed over.
    const ProcessResult registration = RunTarnwick(Registration({L"/exec32:C:\\my.dll"}));
    EXPECT_EQ(registration.exitCode, 1u);
    EXPECT_FALSE(FileExists(L"\\text\\protk.dat"));
    EXPECT_EQ(ListDirectory(root_.path()), std::vector<std::wstring>{L"keys.txt"});
    RecordFigure("InstallDir of 12 registry types and of 0, 259, 260, 261 and 4096 characters: " +
                 std::to_string(CountLines(run.errors)) +
                 " named as gone by the list run, the empty one left out, the rest skipped");
}

std::string EntryBytes() {
    return "name MyApp\r\nstartup dll\r\nexec_file C:\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
           "allow_stop true\r\nend\r\n";
}

// Registers and unregisters MyApp in one loadpoint whose protk.dat holds `original` (CR LF line
// ends, no blank runs, no MyApp entry) and checks the exact bytes after each step.
void RegisterAndUnregister(const std::wstring& root, const std::wstring& keyList, ThrowawayLoadpointKeys& keys,
                           const std::string& original, const std::string& label) {
    const std::wstring loadpoint = MakeLoadpoint(root, L"big");
    ASSERT_TRUE(keys.Add(KEY_WOW64_32KEY, L"big", loadpoint));
    ASSERT_TRUE(WriteFileBytes(keyList, Narrow(keys.path()) + "\r\n"));
    const std::wstring protk = loadpoint + L"\\text\\protk.dat";
    ASSERT_TRUE(WriteFileBytes(protk, original));

    double registerMs = 0;
    const ProcessResult registration =
        TimedRun({L"/name:MyApp", L"/startup:dll", L"/exec32:C:\\my.dll", L"/reg:" + keyList}, &registerMs);
    EXPECT_EQ(registration.exitCode, 1u);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(protk, bytes));
    EXPECT_TRUE(bytes == original + "\r\n" + EntryBytes()) << "size " << bytes.size();
    EXPECT_EQ(ListDirectory(loadpoint + L"\\text"), std::vector<std::wstring>{L"protk.dat"});

    double unregisterMs = 0;
    const ProcessResult unregistration = TimedRun({L"/name:MyApp", L"/unregister", L"/reg:" + keyList}, &unregisterMs);
    EXPECT_EQ(unregistration.exitCode, 1u);
    ASSERT_TRUE(ReadFileBytes(protk, bytes));
    // The empty line that led the entry stays; everything else is the original.
    EXPECT_TRUE(bytes == original + "\r\n") << "size " << bytes.size();
    EXPECT_EQ(ListDirectory(loadpoint + L"\\text"), std::vector<std::wstring>{L"protk.dat"});
    RecordFigure(label + ": register " + Fixed("%.0f ms", registerMs) + ", unregister " +
                 Fixed("%.0f ms", unregisterMs));
}

TEST_F(LoadTest, RegistryFileOfFiftyMegabytes) {
    std::string original;
    original.reserve(50u << 20);
    for (int i = 0; original.size() < (50u << 20); ++i) {
        char entry[160];
        (void)std::snprintf(entry, sizeof entry,
                            "name App%07d\r\nexec_file C:\\Program Files\\Vendor\\App%07d\\app.dll\r\nend\r\n", i, i);
        original += entry;
    }
    RegisterAndUnregister(root_.path(), keyList_, keys_, original,
                          "protk.dat of " + std::to_string(original.size()) + " bytes");
}

TEST_F(LoadTest, RegistryFileWithLinesOfOneMegabyte) {
    const std::string megabyte(1u << 20, 'x');
    const std::string original = "name Other\r\ndescription " + megabyte + "\r\nend\r\n" + std::string(1u << 20, ' ') +
                                 "\r\n" + "name " + megabyte + "\r\nexec_file " + megabyte + "\r\nend\r\n" + megabyte +
                                 "\r" + megabyte + "\r\n";
    RegisterAndUnregister(root_.path(), keyList_, keys_, original,
                          "protk.dat with 6 lines of 1 MB (" + std::to_string(original.size()) + " bytes)");
}

// A file of `size` bytes that takes no space on disk (its bytes read as zeros).
bool MakeSparseFile(const std::wstring& path, long long size) {
    const win::FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return file.valid() && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST_F(LoadTest, RegistryFileTooLargeForMemoryIsSkipped) {
    // 1 GiB less one byte, the most the program reads: holding it and its rewritten bytes at once
    // is more than a 32-bit process's 2 GB. The file is left as it is and the next loadpoint (in
    // sorted order) is still registered; before, the failed allocation ended the program there.
    if (sizeof(void*) == 8) {
        GTEST_SKIP() << "not run in the x86_64 build: a 64-bit process can hold the file twice; the limit is a "
                        "32-bit process's";
    }
    const std::wstring huge = MakeLoadpoint(root_.path(), L"a-huge");
    const std::wstring normal = MakeLoadpoint(root_.path(), L"b-normal");
    ASSERT_TRUE(keys_.Add(KEY_WOW64_32KEY, L"a-huge", huge));
    ASSERT_TRUE(keys_.Add(KEY_WOW64_32KEY, L"b-normal", normal));
    WriteKeyList(Narrow(keys_.path()) + "\r\n");
    constexpr long long kSize = 0x3FFFFFFF;
    ASSERT_TRUE(MakeSparseFile(huge + L"\\text\\protk.dat", kSize));
    ASSERT_TRUE(WriteFileBytes(normal + L"\\text\\protk.dat", "name Other\r\nend\r\n"));

    double ms = 0;
    const ProcessResult run = TimedRun(Registration({L"/exec32:C:\\my.dll"}), &ms);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(FileSize(huge + L"\\text\\protk.dat"), kSize);
    EXPECT_EQ(ListDirectory(huge + L"\\text"), std::vector<std::wstring>{L"protk.dat"});
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(normal + L"\\text\\protk.dat", bytes));
    EXPECT_EQ(bytes,
              "name Other\r\nend\r\n\r\nname MyApp\r\nstartup dll\r\nexec_file C:\\my.dll\r\n"
              "unicode_encoding false\r\ndelay_start false\r\nallow_stop true\r\nend\r\n");
    RecordFigure(
        "protk.dat of 1 GiB (more than the process can hold twice): left as it is, the next loadpoint "
        "registered, " +
        Fixed("%.0f ms", ms));
}

TEST_F(LoadTest, KeyListFileTooLargeForMemoryNamesNoKey) {
    // A /reg file of 1.5 GB (say, a wrong file named by mistake): no key list could be that
    // large, and the process cannot hold it. The search finds nothing and the run goes on.
    const std::wstring loadpoint = MakeLoadpoint(root_.path(), L"creo");
    ASSERT_TRUE(keys_.Add(KEY_WOW64_32KEY, L"creo", loadpoint));
    ASSERT_TRUE(MakeSparseFile(keyList_, 1536LL << 20));
    double ms = 0;
    const ProcessResult list = TimedRun({L"/listxtops", L"/reg:" + keyList_}, &ms);
    EXPECT_EQ(list.exitCode, 0u);
    EXPECT_EQ(list.output, "");
    const ProcessResult registration = RunTarnwick(Registration({L"/exec32:C:\\my.dll"}));
    EXPECT_EQ(registration.exitCode, 1u);
    EXPECT_EQ(registration.output,
              Lines({"Pro/TOOLKIT integration utility", "No Pro/ENGINEER / Creo loadpoints have been found"}));
    EXPECT_FALSE(FileExists(loadpoint + L"\\text\\protk.dat"));
    RecordFigure("key list file of 1.5 GB: no key, list run prints nothing, " + Fixed("%.0f ms", ms));
}

}  // namespace
}  // namespace tarnwick::e2e
