// Tests of the registration steps against the real file system, with the run values and the
// loadpoints given by hand. What must never happen: a registry file cut, emptied or
// replaced while it could not be read whole, or a temporary file left behind.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <utility>

#include "discovery/loadpoints.h"
#include "platform/guarded_file_win.h"
#include "platform/whole_file_win.h"
#include "registration/file_turn.h"
#include "registration/registration.h"
#include "skipped_file.h"
#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "tests/file_step_seams_win.h"
#include "tests/tarnwick_test_support_win.h"

namespace tarnwick {
namespace {

using namespace testkit;
using namespace tarnwick::test;

const std::string kOther = "name Other\r\nexec_file C:\\other.dll\r\nend\r\n";
const std::string kEntry32 =
    "\r\nname MyApp\r\nexec_file C:\\x86\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
    "allow_stop true\r\nend\r\n";
const std::string kEntry64 =
    "\r\nname MyApp\r\nexec_file C:\\x64\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
    "allow_stop true\r\nend\r\n";

class RegistrationSteps : public ::testing::Test {
protected:
    void SetUp() override { options_.name = L"MyApp"; }
    void UpdateLoadpointRegistryFiles() { tarnwick::UpdateLoadpointRegistryFiles(options_, loadpoints_); }
    void WriteSpareRegistryFiles() { tarnwick::WriteSpareRegistryFiles(options_); }
    void InstallMaterials() { tarnwick::InstallMaterials(options_, loadpoints_); }
    static std::string Read(const std::wstring& path) {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(path, bytes)) << Narrow(path);
        return bytes;
    }
    static std::wstring ProtkOf(const std::wstring& loadpoint) { return loadpoint + L"\\text\\protk.dat"; }
    // Registers (the loadpoints and the spare files), then unregisters the loadpoints; returns
    // what both wrote on standard error.
    std::string RegisterThenUnregister() {
        ::testing::internal::CaptureStderr();
        UpdateLoadpointRegistryFiles();
        WriteSpareRegistryFiles();
        options_.unregister = true;
        UpdateLoadpointRegistryFiles();
        return ::testing::internal::GetCapturedStderr();
    }
    // Loadpoint "a" (32-bit) whose protk.dat holds kOther, and the spares folder "spares" holding
    // an old protkx64.dat; both executables given. Returns the loadpoint.
    std::wstring LoadpointAndOldSpare() {
        std::wstring a = MakeLoadpoint(root_.path(), L"a");
        const std::wstring spares = root_.path() + L"\\spares";
        EXPECT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
        EXPECT_TRUE(WriteFileBytes(ProtkOf(a), kOther));
        EXPECT_TRUE(WriteFileBytes(spares + L"\\protkx64.dat", "old"));
        loadpoints_.thirtyTwoBit = {Narrow(a)};
        options_.exec32 = L"C:\\x86\\my.dll";
        options_.exec64 = L"C:\\x64\\my.dll";
        options_.sparesDir = spares;
        return a;
    }

    RunOptions options_;
    Loadpoints loadpoints_;
    TempFolder root_;
};

TEST_F(RegistrationSteps, RegistersEachBitnessWithItsExecutableAndUnregistersBoth) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    const std::wstring b = MakeLoadpoint(root_.path(), L"b");
    const std::wstring both = MakeLoadpoint(root_.path(), L"both");
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), kOther + "\r\n\r\n\r\n"));
    loadpoints_.thirtyTwoBit = {Narrow(a), Narrow(both)};
    loadpoints_.sixtyFourBit = {Narrow(b), Narrow(both) + "\\"};  // a trailing backslash doubles, which is accepted
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.exec64 = L"C:\\x64\\my.dll";

    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), kOther + kEntry32);
    EXPECT_EQ(Read(ProtkOf(b)), kEntry64);
    EXPECT_EQ(Read(ProtkOf(both)), kEntry64);  // 32-bit pass first, then the 64-bit entry replaces it

    // Again with the same options: every file keeps its bytes.
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), kOther + kEntry32);
    EXPECT_EQ(Read(ProtkOf(both)), kEntry64);

    options_.unregister = true;
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), kOther + "\r\n");
    EXPECT_EQ(Read(ProtkOf(b)), "\r\n");  // never deleted: a single empty line remains
    EXPECT_EQ(Read(ProtkOf(both)), "\r\n");
    for (const std::wstring& loadpoint : {a, b, both})
        EXPECT_EQ(ListDirectory(loadpoint + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
}

TEST_F(RegistrationSteps, TouchesOnlyTheBitnessWhoseExecutableIsGiven) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    const std::wstring b = MakeLoadpoint(root_.path(), L"b");
    const std::string old = kOther + "\n\n\n" + "name MyApp\nexec_file old\nend\n";
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), old));
    loadpoints_.thirtyTwoBit = {Narrow(a)};
    loadpoints_.sixtyFourBit = {Narrow(b)};
    options_.exec64 = L"C:\\x64\\my.dll";
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), old);
    EXPECT_EQ(Read(ProtkOf(b)), kEntry64);
}

TEST_F(RegistrationSteps, UnregisteringWhatIsNotThereLeavesFilesAsTheyAre) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    const std::wstring b = MakeLoadpoint(root_.path(), L"b");
    const std::string untouched = kOther + "\n\n\n\nname MyAppX\nend";
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), untouched));
    loadpoints_.thirtyTwoBit = {Narrow(a), Narrow(b)};
    options_.unregister = true;
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), untouched);
    EXPECT_FALSE(FileExists(ProtkOf(b)));  // not created
}

TEST_F(RegistrationSteps, FilesThatCannotBeReadWholeAreLeftByteForByte) {
    const std::string old = kOther + "\n\n\nname MyApp\nexec_file old\nend\n";
    const std::wstring exclusive = MakeLoadpoint(root_.path(), L"exclusive");
    const std::wstring writeOnly = MakeLoadpoint(root_.path(), L"writeonly");
    const std::wstring readOnly = MakeLoadpoint(root_.path(), L"readonly");
    const std::wstring directory = MakeLoadpoint(root_.path(), L"directory");
    const std::wstring fine = MakeLoadpoint(root_.path(), L"fine");
    for (const std::wstring& loadpoint : {exclusive, writeOnly, readOnly, fine})
        ASSERT_TRUE(WriteFileBytes(ProtkOf(loadpoint), old));
    ASSERT_TRUE(CreateDirectoryW(ProtkOf(directory).c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW(ProtkOf(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    loadpoints_.thirtyTwoBit = {Narrow(directory), Narrow(exclusive), Narrow(fine), Narrow(readOnly),
                                Narrow(writeOnly)};
    options_.exec32 = L"C:\\x86\\my.dll";

    for (bool unregistering : {false, true}) {
        if (unregistering) options_.unregister = true;
        {
            FileHolder holdExclusive(L"exclusive", ProtkOf(exclusive));
            FileHolder holdWriteOnly(L"writeonly", ProtkOf(writeOnly));
            ASSERT_TRUE(holdExclusive.holding());
            ASSERT_TRUE(holdWriteOnly.holding());
            UpdateLoadpointRegistryFiles();
        }
        for (const std::wstring& loadpoint : {exclusive, writeOnly, readOnly}) {
            EXPECT_EQ(Read(ProtkOf(loadpoint)), old) << Narrow(loadpoint) << " unregistering " << unregistering;
            EXPECT_EQ(ListDirectory(loadpoint + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
        }
        EXPECT_EQ(ListDirectory(ProtkOf(directory)), std::vector<std::wstring>());
        // The one healthy file in the same run is served.
        EXPECT_EQ(Read(ProtkOf(fine)), unregistering ? kOther + "\r\n" : kOther + kEntry32);
    }
    EXPECT_EQ(GetFileAttributesW(ProtkOf(readOnly).c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesW(ProtkOf(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RegistrationSteps, AFileHeldOpenForReadingIsLeftAsItWas) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), kOther));
    loadpoints_.thirtyTwoBit = {Narrow(a)};
    options_.exec32 = L"C:\\x86\\my.dll";
    {
        FileHolder reader(L"reading", ProtkOf(a));
        ASSERT_TRUE(reader.holding());
        UpdateLoadpointRegistryFiles();
    }
    // A file open without delete sharing cannot be renamed over (Wine refuses as Windows does):
    // the registration passes it over rather than rewrite it in place.
    EXPECT_EQ(Read(ProtkOf(a)), kOther);
    EXPECT_EQ(ListDirectory(a + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
}

TEST_F(RegistrationSteps, AKilledRunsTemporaryFileIsFoundByItsNameWithoutListingTheFolder) {
    const std::wstring seen = MakeLoadpoint(root_.path(), L"seen");
    const std::wstring unseen = MakeLoadpoint(root_.path(), L"unseen");
    const std::wstring held = MakeLoadpoint(root_.path(), L"held");
    const std::wstring spares = root_.path() + L"\\spares";
    ASSERT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
    // Each file's own temporary name, the one a killed run leaves behind.
    const std::wstring own = TemporaryFileNameFor(L"PROTK.DAT");
    const std::wstring ownSpare = TemporaryFileNameFor(L"PROTKX64.DAT");
    for (const std::wstring& loadpoint : {seen, unseen, held}) ASSERT_TRUE(WriteFileBytes(ProtkOf(loadpoint), kOther));
    // Where a file's own leftover lies, the folder is searched for older leftovers of the
    // program's pattern too (names that only look like it stay); where none lies, nothing is
    // searched: the older ones stay until one does.
    const std::wstring seenText = seen + L"\\text\\";
    for (const std::wstring& name : {own, std::wstring(L"~tw0"), std::wstring(L"~tw1a2b3c"), std::wstring(L"~twABC"),
                                     std::wstring(L"~tw1234567"), std::wstring(L"~tw12.tmp"), std::wstring(L"x~tw1")})
        ASSERT_TRUE(WriteFileBytes(seenText + name, "partial"));
    ASSERT_TRUE(WriteFileBytes(unseen + L"\\text\\~tw0", "partial"));
    ASSERT_TRUE(WriteFileBytes(held + L"\\text\\" + own, "partial"));
    ASSERT_TRUE(WriteFileBytes(spares + L"\\" + ownSpare, "partial"));
    ASSERT_TRUE(WriteFileBytes(spares + L"\\~tw77", "partial"));
    loadpoints_.thirtyTwoBit = {Narrow(held), Narrow(seen), Narrow(unseen)};
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.exec64 = L"C:\\x64\\my.dll";
    options_.sparesDir = spares;
    {
        // A file of that name that somebody holds is left alone; the new bytes take another name.
        FileHolder running(L"exclusive", held + L"\\text\\" + own);
        ASSERT_TRUE(running.holding());
        UpdateLoadpointRegistryFiles();
        WriteSpareRegistryFiles();
    }
    for (const std::wstring& loadpoint : {seen, unseen, held}) EXPECT_EQ(Read(ProtkOf(loadpoint)), kOther + kEntry32);
    EXPECT_EQ(ListDirectory(seen + L"\\text"),
              std::vector<std::wstring>({L"protk.dat", L"x~tw1", L"~tw12.tmp", L"~tw1234567", L"~twABC"}));
    EXPECT_EQ(ListDirectory(unseen + L"\\text"), std::vector<std::wstring>({L"protk.dat", L"~tw0"}));
    EXPECT_EQ(ListDirectory(held + L"\\text"), std::vector<std::wstring>({L"protk.dat", own}));
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx32.dat", L"protkx64.dat"}));
}

TEST_F(RegistrationSteps, MissingTextFolderAndEmptyLoadpointPathCreateNothing) {
    const std::wstring bare = root_.path() + L"\\bare";
    ASSERT_TRUE(CreateDirectoryW(bare.c_str(), nullptr));
    // An empty path would name \text\protk.dat on the current drive: make that folder exist there.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(root_.path().c_str()));
    const std::wstring driveText = root_.path().substr(0, 2) + L"\\text";
    const bool madeDriveText = CreateDirectoryW(driveText.c_str(), nullptr) != 0;
    const bool driveProtkExisted = FileExists(driveText + L"\\protk.dat");
    loadpoints_.thirtyTwoBit = {"", Narrow(bare)};
    options_.exec32 = L"C:\\x86\\my.dll";
    UpdateLoadpointRegistryFiles();
    SetCurrentDirectoryW(current);
    EXPECT_EQ(ListDirectory(bare), std::vector<std::wstring>());
    EXPECT_EQ(FileExists(driveText + L"\\protk.dat"), driveProtkExisted);
    if (madeDriveText) RemoveDirectoryW(driveText.c_str());
}

TEST_F(RegistrationSteps, NamesWithBlanksMatchTheirOwnEntries) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    loadpoints_.thirtyTwoBit = {Narrow(a)};
    options_.name = L"MyApp ";
    options_.exec32 = L"C:\\x86\\my.dll";
    UpdateLoadpointRegistryFiles();
    UpdateLoadpointRegistryFiles();
    const std::string once =
        "\r\nname MyApp \r\nexec_file C:\\x86\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
        "allow_stop true\r\nend\r\n";
    EXPECT_EQ(Read(ProtkOf(a)), once);
}

TEST_F(RegistrationSteps, ValuesBeyondEightBitsTouchNoFile) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    const std::string old = kOther + "\r\nname MyApp\r\nend\r\n";
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), old));
    loadpoints_.thirtyTwoBit = {Narrow(a)};
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.description = L"\u20ac";
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), old);
}

TEST_F(RegistrationSteps, SpareFilesAreWrittenWholeAndDeletedOnUnregistration) {
    const std::wstring spares = root_.path() + L"\\spares";
    ASSERT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(spares + L"\\protkx64.dat", "anything at all\r\nname MyApp\r\n"));
    options_.sparesDir = spares;  // no trailing backslash: one is added
    options_.exec64 = L"C:\\x64\\my.dll";
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.startup = L"dll";
    WriteSpareRegistryFiles();
    WriteSpareRegistryFiles();
    const std::string tail = "unicode_encoding false\r\ndelay_start false\r\nallow_stop true\r\nend\r\n";
    EXPECT_EQ(Read(spares + L"\\protkx64.dat"), "name MyApp\r\nstartup dll\r\nexec_file C:\\x64\\my.dll\r\n" + tail);
    EXPECT_EQ(Read(spares + L"\\protkx32.dat"), "name MyApp\r\nstartup dll\r\nexec_file C:\\x86\\my.dll\r\n" + tail);
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx32.dat", L"protkx64.dat"}));

    options_.sparesDir = spares + L"\\";
    options_.unregister = true;
    WriteSpareRegistryFiles();
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>());
}

TEST_F(RegistrationSteps, SpareFilesAreSkippedWhenTheyCannotBeWrittenSafely) {
    const std::wstring spares = root_.path() + L"\\spares";
    ASSERT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(spares + L"\\protkx64.dat", "held"));
    options_.exec64 = L"C:\\x64\\my.dll";
    {
        options_.sparesDir = spares;
        FileHolder holder(L"exclusive", spares + L"\\protkx64.dat");
        ASSERT_TRUE(holder.holding());
        WriteSpareRegistryFiles();
    }
    EXPECT_EQ(Read(spares + L"\\protkx64.dat"), "held");
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx64.dat"}));

    // A missing spares directory is not created; a too long one, or an empty value, does nothing.
    options_.sparesDir = root_.path() + L"\\missing";
    WriteSpareRegistryFiles();
    EXPECT_FALSE(FileExists(root_.path() + L"\\missing"));
    std::wstring longDirectory = spares + L"\\" + std::wstring(246 - spares.size(), L'd');
    ASSERT_EQ(longDirectory.size(), 247u);  // with "\\protkx64.dat" 260 characters, too many with the NUL
    ASSERT_TRUE(CreateDirectoryW(longDirectory.c_str(), nullptr));
    options_.sparesDir = longDirectory;
    WriteSpareRegistryFiles();
    EXPECT_EQ(ListDirectory(longDirectory), std::vector<std::wstring>());
}

TEST_F(RegistrationSteps, MaterialsGoToEveryLoadpointOnceAndNeverOverwrite) {
    const std::wstring materials = root_.path() + L"\\materials";
    ASSERT_TRUE(CreateDirectoryW(materials.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\steel.mtl", "steel"));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\brass.mtl", "brass"));
    ASSERT_TRUE(WriteFileBytes(materials + L"\\notes.txt", "notes"));
    const std::wstring only32 = MakeLoadpoint(root_.path(), L"only32", true);
    const std::wstring only64 = MakeLoadpoint(root_.path(), L"only64", true);
    const std::wstring both = MakeLoadpoint(root_.path(), L"both", true);
    const std::wstring noLibrary = MakeLoadpoint(root_.path(), L"nolibrary");
    ASSERT_TRUE(WriteFileBytes(both + L"\\text\\materials-library\\steel.mtl", "own steel"));
    loadpoints_.thirtyTwoBit = {"", Narrow(both), Narrow(noLibrary), Narrow(only32)};
    loadpoints_.sixtyFourBit = {Narrow(both), Narrow(only64)};
    options_.materialsDir = materials;
    InstallMaterials();
    for (const std::wstring& loadpoint : {only32, only64, both}) {
        const std::wstring library = loadpoint + L"\\text\\materials-library";
        EXPECT_EQ(ListDirectory(library), std::vector<std::wstring>({L"brass.mtl", L"steel.mtl"}));
        EXPECT_EQ(Read(library + L"\\brass.mtl"), "brass");
        EXPECT_EQ(Read(library + L"\\steel.mtl"), loadpoint == both ? "own steel" : "steel");
    }
    EXPECT_EQ(ListDirectory(noLibrary + L"\\text"), std::vector<std::wstring>());

    // Unregistration installs nothing; an empty or missing materials directory does nothing.
    const std::wstring fresh = MakeLoadpoint(root_.path(), L"fresh", true);
    loadpoints_.thirtyTwoBit = {Narrow(fresh)};
    loadpoints_.sixtyFourBit.clear();
    options_.unregister = true;
    InstallMaterials();
    options_.unregister = false;
    options_.materialsDir = L"";
    InstallMaterials();
    options_.materialsDir = root_.path() + L"\\missing";
    InstallMaterials();
    EXPECT_EQ(ListDirectory(fresh + L"\\text\\materials-library"), std::vector<std::wstring>());
}

// A DACL that locks a file down: administrators and SYSTEM may do anything, users only read; not
// inherited from the folder.
constexpr const wchar_t* kLockedDown = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FR;;;BU)";

bool SetDacl(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD result = SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                               nullptr, dacl, nullptr);
    LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}

// The file's DACL as text, "D:P(...)" when it is protected from inheritance.
std::wstring DaclOf(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return L"";
    wchar_t* text = nullptr;
    std::wstring result;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
        result = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return result;
}

constexpr FILETIME kOldCreation{0x5A3C8000u, 0x01C07390u};  // 1 January 2001

bool SetCreationTime(const std::wstring& path, const FILETIME& time) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL set = SetFileTime(file, &time, nullptr, nullptr);
    CloseHandle(file);
    return set != 0;
}

FILETIME CreationTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftCreationTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Wine 8 reports a DACL set on a file as set but keeps none (the default one is read back), and
// cannot set a creation time: what a replacement keeps of either is shown only on Windows. Here
// Wine shows the rest: the contents and attributes through register, re-register and unregister,
// and that a locked-down file is still served.
TEST_F(RegistrationSteps, AReplacementKeepsTheAttributesAndALockedDownFileIsServed) {
    const std::wstring a = LoadpointAndOldSpare();
    const std::wstring spares = root_.path() + L"\\spares";
    const std::wstring spare = spares + L"\\protkx64.dat";
    ASSERT_TRUE(SetDacl(ProtkOf(a), kLockedDown));
    for (const std::wstring& file : {ProtkOf(a), spare}) ASSERT_TRUE(SetFileAttributesW(file.c_str(), kHiddenSystem));
    const std::string spareBytes =
        "name MyApp\r\nexec_file C:\\x64\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
        "allow_stop true\r\nend\r\n";
    for (int run = 0; run < 3; ++run) {  // register, register again, unregister
        options_.unregister = run == 2;
        UpdateLoadpointRegistryFiles();
        if (run < 2) WriteSpareRegistryFiles();
        EXPECT_EQ(Read(ProtkOf(a)), run < 2 ? kOther + kEntry32 : kOther + "\r\n") << run;
        EXPECT_EQ(Read(spare), spareBytes) << run;
        for (const std::wstring& file : {ProtkOf(a), spare})
            EXPECT_EQ(GetFileAttributesW(file.c_str()) & kHiddenSystem, kHiddenSystem) << Narrow(file) << run;
        EXPECT_EQ(ListDirectory(a + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
        EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx32.dat", L"protkx64.dat"}));
    }
    for (const std::wstring& file : {ProtkOf(a), spare}) SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What Wine cannot show: the DACL (locked down, protected from inheritance) and the creation
// time of a replaced protk.dat and spare file, read back through the security and time
// functions. Skipped, with the reason, where the platform keeps neither.
TEST_F(RegistrationSteps, AReplacementKeepsTheDaclAndTheCreationTime) {
    const std::wstring a = LoadpointAndOldSpare();
    const std::wstring spares = root_.path() + L"\\spares";
    const std::wstring spare = spares + L"\\protkx64.dat";
    for (const std::wstring& file : {ProtkOf(a), spare}) {
        ASSERT_TRUE(SetDacl(file, kLockedDown));
        SetCreationTime(file, kOldCreation);
    }
    const std::wstring locked = DaclOf(spare);
    if (locked != kLockedDown || !SameTime(CreationTimeOf(spare), kOldCreation)) {
        GTEST_SKIP() << "shown only on Windows: this platform (Wine) keeps no file DACL (read back: " << Narrow(locked)
                     << ") and cannot set a creation time";
    }
    UpdateLoadpointRegistryFiles();
    WriteSpareRegistryFiles();
    options_.unregister = true;
    UpdateLoadpointRegistryFiles();
    EXPECT_EQ(Read(ProtkOf(a)), kOther + "\r\n");
    for (const std::wstring& file : {ProtkOf(a), spare}) {
        EXPECT_EQ(DaclOf(file), kLockedDown) << Narrow(file);
        EXPECT_TRUE(SameTime(CreationTimeOf(file), kOldCreation)) << Narrow(file);
    }
}

bool CarryNothing(HANDLE /*from*/, HANDLE /*to*/) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

TEST_F(RegistrationSteps, WhenTheSecurityCannotBeCarriedOverTheOldFileStaysAsItIs) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    const std::wstring fresh = MakeLoadpoint(root_.path(), L"fresh");
    const std::wstring spares = root_.path() + L"\\spares";
    ASSERT_TRUE(CreateDirectoryW(spares.c_str(), nullptr));
    const std::string old = kOther + "\n\n\nname MyApp\nexec_file old\nend\n";
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), old));
    ASSERT_TRUE(WriteFileBytes(spares + L"\\protkx64.dat", "old spare"));
    loadpoints_.thirtyTwoBit = {Narrow(a), Narrow(fresh)};
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.exec64 = L"C:\\x64\\my.dll";
    options_.sparesDir = spares;

    const SecurityCarrier carrier = ReplaceSecurityCarrier(&CarryNothing);
    const std::string errors = RegisterThenUnregister();
    ReplaceSecurityCarrier(carrier);

    const std::string reason = "\": its security could not be carried over to the new file\n";
    // Registering: protk.dat of a and the old spare file; unregistering: both protk.dat.
    EXPECT_EQ(errors, "Passed over \"" + Narrow(ProtkOf(a)) + reason + "Passed over \"" + Narrow(spares) +
                          "\\protkx64.dat" + reason + "Passed over \"" + Narrow(ProtkOf(a)) + reason +
                          "Passed over \"" + Narrow(ProtkOf(fresh)) + reason);
    EXPECT_EQ(Read(ProtkOf(a)), old);
    EXPECT_EQ(ListDirectory(a + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
    EXPECT_EQ(Read(spares + L"\\protkx64.dat"), "old spare");
    // A new file has no security to carry over: it takes its folder's, as any new file (and then
    // keeps it when the security cannot be carried over again).
    EXPECT_EQ(Read(ProtkOf(fresh)), kEntry32);
    EXPECT_TRUE(FileExists(spares + L"\\protkx32.dat"));
    EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx32.dat", L"protkx64.dat"}));
}

// Another program that replaces protk.dat while a run merges it, with a file of the same size,
// times and attributes: only the file's identity tells. Turns are switched off, so nothing but
// the snapshot check keeps the two apart; the other program's change must survive.
struct ForeignReplacement {
    static inline bool done = false;
    static inline bool sizeAndTimesMatched = false;

    static void Replace(const std::wstring& fullPath) {
        if (done) return;
        done = true;
        std::string bytes;
        if (!ReadFileBytes(fullPath, bytes) || bytes.empty()) return;
        FileSnapshot before;
        SnapshotOf(fullPath, before);
        bytes[bytes.find("Other")] = 'B';  // same size
        const std::wstring beside = fullPath + L".new";
        if (!WriteFileBytes(beside, bytes)) return;
        const HANDLE file = CreateFileW(beside.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        SetFileTime(file, &before.data.ftCreationTime, &before.data.ftLastAccessTime, &before.data.ftLastWriteTime);
        CloseHandle(file);
        MoveFileExW(beside.c_str(), fullPath.c_str(), MOVEFILE_REPLACE_EXISTING);
        FileSnapshot after;
        SnapshotOf(fullPath, after);
        sizeAndTimesMatched = SameSnapshot(before, after);  // neither snapshot knows the identity
    }
};

TEST_F(RegistrationSteps, WithoutTurnsTheSnapshotCheckSeesAReplacementOfTheSameSizeAndTimes) {
    const std::wstring a = MakeLoadpoint(root_.path(), L"a");
    ASSERT_TRUE(WriteFileBytes(ProtkOf(a), kOther));
    loadpoints_.thirtyTwoBit = {Narrow(a)};
    options_.exec32 = L"C:\\x86\\my.dll";
    const TurnTaking turns = SwitchFileTurns(TurnTaking::kOff);
    const BeforeSnapshotHook hook = ReplaceBeforeSnapshotCheck(&ForeignReplacement::Replace);
    UpdateLoadpointRegistryFiles();
    ReplaceBeforeSnapshotCheck(hook);
    SwitchFileTurns(turns);
    ASSERT_TRUE(ForeignReplacement::done);
    EXPECT_TRUE(ForeignReplacement::sizeAndTimesMatched);
    std::string changed = kOther;
    changed[changed.find("Other")] = 'B';
    EXPECT_EQ(Read(ProtkOf(a)), changed + kEntry32);  // read and merged again: nothing lost
    EXPECT_EQ(ListDirectory(a + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
}

// Links for the tests. On Windows a file symbolic link or a junction. Wine 8 makes neither
// (CreateSymbolicLinkW reports success and makes nothing, mklink /J fails), so there a Unix
// symbolic link made by the system's ln stands in: Wine shows it as the file or folder it points
// at, follows it where Windows would not, and gives its target's path as where the file really
// lives. What a link keeps of itself (a reparse point) and its removal as itself are shown only on
// Windows. The Unix links are removed as themselves when the object goes away.
enum class LinkKind { kFile, kFolder };

class Links {
public:
    Links() = default;
    ~Links() {
        for (const auto& [link, name] : unixLinks_) {
            if (StartUnix(L"Z:\\bin\\rm", {L"-f", Widen(name)})) (void)Listed(link, false);
        }
    }
    Links(const Links&) = delete;
    Links& operator=(const Links&) = delete;

    // Makes `link` point at `target` (which need not exist). False when neither kind can be made.
    bool Make(const std::wstring& link, const std::wstring& target, LinkKind kind) {
        if (kind == LinkKind::kFile) {
            (void)CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
        } else {
            (void)RunProcess(L"cmd.exe", {L"/c", L"mklink", L"/J", link, target});
        }
        if (IsReparsePoint(link)) {
            windowsLinks_ = true;
            return true;
        }
        const std::string linkName = UnixName(link);
        const std::string targetName = UnixName(target);
        if (linkName.empty() || targetName.empty()) return false;
        if (!StartUnix(L"Z:\\bin\\ln", {L"-s", Widen(targetName), Widen(linkName)}) || !Listed(link, true))
            return false;
        unixLinks_.emplace_back(link, linkName);
        return true;
    }
    // Whether the links made are Windows's own (else Unix stand-ins under Wine).
    bool windows() const { return windowsLinks_; }

    static bool IsReparsePoint(const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }

private:
    // Starts a Unix program under Wine (named by its path on Wine's drive of the Unix root, which
    // the system's search would give an .exe). Wine gives no handle to wait on such a program.
    static bool StartUnix(const std::wstring& program, const std::vector<std::wstring>& arguments) {
        std::wstring line = QuoteArgument(program);
        for (const std::wstring& argument : arguments) line += L" " + QuoteArgument(argument);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        if (process.hProcess != nullptr) CloseHandle(process.hProcess);
        if (process.hThread != nullptr) CloseHandle(process.hThread);
        return true;
    }
    // Whether `path`'s name is listed in its folder (a link whose target is missing included),
    // waited for up to ten seconds.
    static bool Listed(const std::wstring& path, bool listed) {
        const std::size_t cut = path.find_last_of(L'\\');
        for (int wait = 0; wait < 200; ++wait) {
            const std::vector<std::wstring> names = ListDirectory(path.substr(0, cut));
            if ((std::find(names.begin(), names.end(), path.substr(cut + 1)) != names.end()) == listed) return true;
            Sleep(50);
        }
        return false;
    }
    // The Unix path of a Windows path under Wine; empty elsewhere.
    static std::string UnixName(const std::wstring& path) {
        using UnixFileName = char*(CDECL*)(const wchar_t*);
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        const auto convert =
            reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
        if (name == nullptr) return std::string();
        std::string result(name);
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }

    std::vector<std::pair<std::wstring, std::string>> unixLinks_;  // Windows and Unix path
    bool windowsLinks_ = false;
};

constexpr const char* kNoLinks =
    "no link could be made: Windows makes symbolic links only for administrators or in developer mode, "
    "Wine 8 makes none, and no Unix link could be made in its stead";

// Administrators link one shared registry file into each loadpoint, or a loadpoint's text folder
// to a shared one: the file is read through the link, updated where it really lives (the new file
// beside the target, renamed over the target) and the link stays. The same for a spare file.
TEST_F(RegistrationSteps, RegistryFilesBehindLinksAreUpdatedWhereTheyLiveAndTheLinksStay) {
    const std::wstring targets = root_.path() + L"\\targets";
    const std::wstring spares = root_.path() + L"\\spares";
    for (const std::wstring& folder : {targets, targets + L"\\text", spares})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const struct {
        const wchar_t* loadpoint;
        LinkKind kind;
        const wchar_t* link;    // below the loadpoint
        const wchar_t* target;  // below `targets`
        const wchar_t* file;    // the registry file below `targets`
    } cases[] = {
        {L"filelink", LinkKind::kFile, L"\\text\\protk.dat", L"\\shared.dat", L"\\shared.dat"},
        {L"junction", LinkKind::kFolder, L"\\text", L"\\text", L"\\text\\protk.dat"},
    };
    Links links;
    for (const auto& c : cases) {
        const std::wstring loadpoint = root_.path() + L"\\" + c.loadpoint;
        ASSERT_TRUE(CreateDirectoryW(loadpoint.c_str(), nullptr));
        if (c.kind == LinkKind::kFile) {
            ASSERT_TRUE(CreateDirectoryW((loadpoint + L"\\text").c_str(), nullptr));
        }
        ASSERT_TRUE(WriteFileBytes(targets + c.file, kOther));
        if (!links.Make(loadpoint + c.link, targets + c.target, c.kind)) {
            GTEST_SKIP() << kNoLinks;
        }
        loadpoints_.thirtyTwoBit.push_back(Narrow(loadpoint));
    }
    ASSERT_TRUE(WriteFileBytes(targets + L"\\spare.dat", "old spare"));
    ASSERT_TRUE(links.Make(spares + L"\\protkx64.dat", targets + L"\\spare.dat", LinkKind::kFile));
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.exec64 = L"C:\\x64\\my.dll";
    options_.sparesDir = spares;
    const std::string spare =
        "name MyApp\r\nexec_file C:\\x64\\my.dll\r\nunicode_encoding false\r\ndelay_start false\r\n"
        "allow_stop true\r\nend\r\n";

    for (bool unregistering : {false, true}) {
        options_.unregister = unregistering;
        ::testing::internal::CaptureStderr();
        UpdateLoadpointRegistryFiles();
        if (!unregistering) WriteSpareRegistryFiles();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        const std::string expected = unregistering ? kOther + "\r\n" : kOther + kEntry32;
        for (const auto& c : cases) {
            const std::wstring loadpoint = root_.path() + L"\\" + c.loadpoint;
            EXPECT_EQ(Read(targets + c.file), expected) << Narrow(loadpoint);
            EXPECT_EQ(Read(ProtkOf(loadpoint)), expected) << Narrow(loadpoint);  // through the link
            if (links.windows()) {
                EXPECT_TRUE(Links::IsReparsePoint(loadpoint + c.link)) << Narrow(loadpoint);
            }
        }
        EXPECT_EQ(Read(targets + L"\\spare.dat"), spare);
        EXPECT_EQ(Read(spares + L"\\protkx64.dat"), spare);
        // No temporary file left beside a link or a target.
        EXPECT_EQ(ListDirectory(targets), std::vector<std::wstring>({L"shared.dat", L"spare.dat", L"text"}));
        EXPECT_EQ(ListDirectory(targets + L"\\text"), std::vector<std::wstring>({L"protk.dat"}));
        EXPECT_EQ(ListDirectory(root_.path() + L"\\filelink\\text"), std::vector<std::wstring>({L"protk.dat"}));
        EXPECT_EQ(ListDirectory(spares), std::vector<std::wstring>({L"protkx32.dat", L"protkx64.dat"}));
    }
}

// A user who may write a loadpoint's text folder or the spares folder plants a link at a name the
// program chose (a file's own temporary name, or a leftover's name of the program's pattern),
// pointing at a file or folder elsewhere. Whatever the link points at is never deleted, written or
// created. On Windows a link is opened and removed as itself and the file is served; Wine follows
// a Unix link at a file's own temporary name, which shows as the name of another file, so there
// the registry file is passed over (as on Windows when a link cannot be removed).
TEST_F(RegistrationSteps, LinksPlantedAtTheProgramsOwnNamesAreNeverFollowed) {
    const std::wstring victims = root_.path() + L"\\victims";
    const std::wstring spares = root_.path() + L"\\spares";
    for (const std::wstring& folder : {victims, victims + L"\\dir", spares})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(victims + L"\\victim.txt", "victim"));
    ASSERT_TRUE(WriteFileBytes(victims + L"\\dir\\inside.txt", "inside"));
    ASSERT_TRUE(WriteFileBytes(victims + L"\\created.txt", "for the link"));
    const std::wstring own = TemporaryFileNameFor(L"PROTK.DAT");
    const struct {
        const wchar_t* folder;  // a loadpoint, or "spares"
        std::wstring name;
        LinkKind kind;
        const wchar_t* target;  // below `victims`; created.txt does not exist
        bool skippedWhereFollowed;
    } cases[] = {
        {L"owntofile", own, LinkKind::kFile, L"\\victim.txt", true},
        {L"owntofolder", own, LinkKind::kFolder, L"\\dir", false},
        {L"owntonothing", own, LinkKind::kFile, L"\\created.txt", false},
        // The file's own leftover makes the folder be searched for older ones.
        {L"leftovers", L"~tw0", LinkKind::kFile, L"\\victim.txt", false},
        {L"leftovers", L"~tw1", LinkKind::kFolder, L"\\dir", false},
        {L"spares", TemporaryFileNameFor(L"PROTKX64.DAT"), LinkKind::kFile, L"\\victim.txt", true},
    };
    Links links;
    for (const auto& c : cases) {
        const std::wstring folder = root_.path() + L"\\" + c.folder;
        if (std::wstring(c.folder) != L"spares" && !DirectoryExists(folder)) {
            MakeLoadpoint(root_.path(), c.folder);
            ASSERT_TRUE(WriteFileBytes(ProtkOf(folder), kOther));
            loadpoints_.thirtyTwoBit.push_back(Narrow(folder));
        }
        const std::wstring at = std::wstring(c.folder) == L"spares" ? spares : folder + L"\\text";
        if (!links.Make(at + L"\\" + c.name, victims + c.target, c.kind)) {
            GTEST_SKIP() << kNoLinks;
        }
    }
    // The link to created.txt was made while it existed (Wine lists no link whose target is missing).
    ASSERT_TRUE(DeleteFileW((victims + L"\\created.txt").c_str()));
    ASSERT_TRUE(WriteFileBytes(root_.path() + L"\\leftovers\\text\\" + own, "partial"));
    options_.exec64 = L"C:\\x64\\my.dll";
    options_.exec32 = L"C:\\x86\\my.dll";
    options_.sparesDir = spares;
    const std::string errors = RegisterThenUnregister();

    EXPECT_EQ(ListDirectory(victims), std::vector<std::wstring>({L"dir", L"victim.txt"}));
    EXPECT_EQ(Read(victims + L"\\victim.txt"), "victim");
    EXPECT_EQ(ListDirectory(victims + L"\\dir"), std::vector<std::wstring>({L"inside.txt"}));
    EXPECT_EQ(Read(victims + L"\\dir\\inside.txt"), "inside");
    std::string expectedErrors;
    for (const auto& c : cases) {
        const bool skipped = !links.windows() && c.skippedWhereFollowed;
        if (std::wstring(c.folder) == L"spares") {
            EXPECT_EQ(FileExists(spares + L"\\protkx64.dat"), !skipped);
            if (skipped)
                expectedErrors +=
                    SkippedFileLine(Narrow(spares + L"\\protkx64.dat"), FileFailure::kLinkNotRemoved) + "\n";
            continue;
        }
        const std::wstring protk = ProtkOf(root_.path() + L"\\" + c.folder);
        EXPECT_EQ(Read(protk), skipped ? kOther : kOther + "\r\n") << Narrow(protk);
        // Registering passes it over; unregistering then finds nothing to remove.
        if (skipped) expectedErrors += SkippedFileLine(Narrow(protk), FileFailure::kLinkNotRemoved) + "\n";
        // Windows removes each link as itself; the Unix stand-ins stay where Wine cannot tell them.
        if (links.windows()) {
            EXPECT_FALSE(FileExists(root_.path() + L"\\" + c.folder + L"\\text\\" + c.name));
        }
    }
    EXPECT_EQ(errors, expectedErrors);
}

// Where a file really lives, as the system names it, back in the plain form; a form without one
// (a volume without a drive letter) means the place cannot be learned, and the file is passed over.
TEST(FinalPath, IsTurnedBackIntoAPlainPathOrNone) {
    const struct {
        const wchar_t* system;
        const wchar_t* plain;
    } cases[] = {
        {L"\\\\?\\C:\\PTC\\text\\protk.dat", L"C:\\PTC\\text\\protk.dat"},
        {L"\\\\?\\UNC\\server\\share\\text\\protk.dat", L"\\\\server\\share\\text\\protk.dat"},
        {L"\\\\?\\C:\\", L"C:\\"},
        {L"\\\\?\\Volume{0b6a3c52-1d1e-4f5a-9c7b-2d4e6f8a0b1c}\\protk.dat", L""},
        {L"\\\\?\\C:", L""},
        {L"C:\\PTC\\protk.dat", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(PlainPathOf(c.system), c.plain) << Narrow(c.system);
}

// The size a file reports is where its read starts, not where it ends: a file whose path reports
// a wrong size, or that grows meanwhile, is read whole; one that is shorter as far as it goes.
TEST(WholeRead, GoesOnToTheEndWhateverSizeWasReported) {
    TempFolder root;
    const std::wstring path = root.path() + L"\\file";
    std::string content(70000, 'x');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteFileBytes(path, content));
    for (std::size_t reported : {std::size_t{0}, std::size_t{1}, std::size_t{69999}, std::size_t{70000},
                                 std::size_t{70001}, std::size_t{1} << 20}) {
        const win::FileHandle file = win::OpenSharingAll(path.c_str(), GENERIC_READ);
        ASSERT_TRUE(file.valid());
        std::string bytes = "stale";
        EXPECT_EQ(ReadOpenFile(file.get(), reported, bytes), OpenFileRead::kWhole) << reported;
        EXPECT_EQ(bytes, content) << reported;
    }
}

}  // namespace
}  // namespace tarnwick
