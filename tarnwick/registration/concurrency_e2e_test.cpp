// Concurrent and interrupted runs of the real tarnwick.exe: several registrations and
// unregistrations at once over the same loadpoints (both registry views) and the same spares
// folder, and runs killed at random moments. Each protk.dat and spare file must end as some
// serial order of the runs would have left it, with every other application's entry intact and
// no temporary file left. Runs that reach the same files through different spellings of their
// folder (another drive letter, a junction) as well. Also the standard-error line of every kind
// of file that is passed over.
//
// Figures go to "robustness-figures.txt" in the working folder, as for the load tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "registration/registry_file.h"
#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "tests/merged_registry_file.h"
#include "tests/tarnwick_test_support_win.h"

namespace tarnwick::e2e {
namespace {

using namespace testkit;
using namespace tarnwick::test;

constexpr int kLoadpointsPerView = 30;

void RecordFigure(const std::string& text) {
    if (FILE* file = std::fopen("robustness-figures.txt", "a")) {
        (void)std::fprintf(file, "%s\n", text.c_str());
        (void)std::fclose(file);
    }
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// One run: registering (both executables, the spare files) or unregistering one application.
struct Op {
    std::string name;
    bool registering;
};

std::string Executable(const std::string& name, bool sixtyFour) {
    return std::string(sixtyFour ? "C:\\x64\\" : "C:\\x86\\") + name + ".dll";
}

std::vector<std::string> EntryLines(const std::string& name, bool sixtyFour) {
    return {"",
            "name " + name,
            "exec_file " + Executable(name, sixtyFour),
            "unicode_encoding false",
            "delay_start false",
            "allow_stop true",
            "end"};
}

std::string SpareBytes(const std::string& name, bool sixtyFour) {
    std::string bytes;
    const std::vector<std::string> lines = EntryLines(name, sixtyFour);
    for (std::size_t i = 1; i < lines.size(); ++i) bytes += lines[i] + "\r\n";
    return bytes;
}

using Content = std::optional<std::string>;  // nothing: the file is absent

// What one run leaves in a loadpoint's protk.dat that held `before`.
Content Apply(const Content& before, const Op& op, bool sixtyFour) {
    const std::vector<std::string> entry = EntryLines(op.name, sixtyFour);
    std::optional<std::string_view> existing;
    if (before) existing = *before;
    std::optional<std::string> merged = MergeRegistryFile(existing, op.name, op.registering ? &entry : nullptr);
    return merged ? merged : before;
}

// Every result that some serial order of `ops` gives from `before`.
std::vector<Content> SerialResults(const Content& before, const std::vector<Op>& ops, bool sixtyFour) {
    std::vector<std::size_t> order(ops.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<Content> results;
    do {
        Content content = before;
        for (std::size_t i : order) content = Apply(content, ops[i], sixtyFour);
        results.push_back(content);
    } while (std::next_permutation(order.begin(), order.end()));
    return results;
}

// What a spare file can hold after the runs: the last one's doing, in some order.
std::vector<Content> SpareResults(const Content& before, const std::vector<Op>& ops, bool sixtyFour) {
    std::vector<Content> results;
    if (ops.empty()) results.push_back(before);
    for (const Op& op : ops) {
        results.push_back(op.registering ? Content(SpareBytes(op.name, sixtyFour)) : std::nullopt);
    }
    return results;
}

Content ReadContent(const std::wstring& path) {
    std::string bytes;
    if (!FileExists(path)) return std::nullopt;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << Narrow(path);
    return bytes;
}

bool OneOf(const Content& actual, const std::vector<Content>& candidates) {
    return std::find(candidates.begin(), candidates.end(), actual) != candidates.end();
}

class ConcurrentRuns : public ::testing::Test {
protected:
    struct RegistryFile {
        std::wstring path;
        bool sixtyFour;
    };

    void SetUp() override {
        keyList_ = root_.path() + L"\\keys.txt";
        spares_ = root_.path() + L"\\spares";
        ASSERT_TRUE(CreateDirectoryW(spares_.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(keyList_, Narrow(keys_.path()) + "\r\n"));
        for (int view = 0; view < 2; ++view) {
            for (int i = 0; i < kLoadpointsPerView; ++i) {
                wchar_t name[32];
                (void)std::swprintf(name, 32, L"lp%d_%02d", view == 0 ? 32 : 64, i);
                const std::wstring loadpoint = MakeLoadpoint(root_.path(), name);
                ASSERT_TRUE(keys_.Add(view == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY, name, loadpoint));
                files_.push_back({loadpoint + L"\\text\\protk.dat", view == 1});
                // Other applications' entries, some 6 KB of them, a different set in every file.
                std::string others;
                for (int j = 0; j < 40; ++j) {
                    char entry[160];
                    (void)std::snprintf(entry, sizeof entry,
                                        "name Other%02d_%02d\r\nexec_file C:\\Vendor\\Other%02d\\o.dll\r\n"
                                        "allow_stop true\r\nend\r\n\r\n",
                                        i, j, j);
                    others += entry;
                }
                ASSERT_TRUE(WriteFileBytes(files_.back().path, others));
            }
        }
        // The listing every run prints, whatever happens to the files.
        listing_ =
            Lines({"Pro/TOOLKIT integration utility", "The following Pro/ENGINEER / Creo loadpoints have been found"});
        for (const RegistryFile& file : files_) {
            const std::wstring loadpoint = file.path.substr(0, file.path.size() - 15);
            listing_ += Narrow(loadpoint) + "\r\n";
        }
    }

    std::vector<std::wstring> Arguments(const Op& op) const {
        std::vector<std::wstring> arguments = {L"/name:" + std::wstring(op.name.begin(), op.name.end()),
                                               L"/reg:" + keyList_, L"/spares:" + spares_};
        if (op.registering) {
            const std::string x86 = Executable(op.name, false);
            const std::string x64 = Executable(op.name, true);
            arguments.push_back(L"/exec32:" + std::wstring(x86.begin(), x86.end()));
            arguments.push_back(L"/exec64:" + std::wstring(x64.begin(), x64.end()));
        } else {
            arguments.push_back(L"/unregister");
        }
        return arguments;
    }

    // Every registry file and both spare files as they are now.
    std::map<std::wstring, Content> Snapshot() const {
        std::map<std::wstring, Content> snapshot;
        for (const RegistryFile& file : files_) snapshot[file.path] = ReadContent(file.path);
        snapshot[Spare(false)] = ReadContent(Spare(false));
        snapshot[Spare(true)] = ReadContent(Spare(true));
        return snapshot;
    }

    std::wstring Spare(bool sixtyFour) const { return spares_ + (sixtyFour ? L"\\protkx64.dat" : L"\\protkx32.dat"); }

    // The runs of `ops`, all started at once; each must end normally with the unchanged output.
    double RunTogether(const std::vector<Op>& ops) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::unique_ptr<StartedProgram>> runs;
        runs.reserve(ops.size());
        for (const Op& op : ops) runs.push_back(std::make_unique<StartedProgram>(L"tarnwick.exe", Arguments(op)));
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_TRUE(runs[i]->started());
            const ProcessResult result = runs[i]->Wait();
            EXPECT_EQ(result.exitCode, 1u) << ops[i].name;
            EXPECT_EQ(result.output, listing_) << ops[i].name;
            EXPECT_EQ(result.errors, "") << ops[i].name;
        }
        return MillisecondsSince(start);
    }

    // Checks that every file is a serial result of `ops` from `before`; returns how many files
    // were not.
    int CountNonSerialFiles(const std::map<std::wstring, Content>& before, const std::vector<Op>& ops) const {
        int wrong = 0;
        for (const RegistryFile& file : files_) {
            if (!OneOf(ReadContent(file.path), SerialResults(before.at(file.path), ops, file.sixtyFour))) {
                ADD_FAILURE() << Narrow(file.path) << " is no serial result of the runs";
                ++wrong;
            }
        }
        for (bool sixtyFour : {false, true}) {
            if (!OneOf(ReadContent(Spare(sixtyFour)), SpareResults(before.at(Spare(sixtyFour)), ops, sixtyFour))) {
                ADD_FAILURE() << Narrow(Spare(sixtyFour)) << " is no serial result of the runs";
                ++wrong;
            }
        }
        return wrong;
    }

    int CountTemporaryFiles() const {
        int count = 0;
        for (const RegistryFile& file : files_) {
            for (const std::wstring& name : ListDirectory(file.path.substr(0, file.path.size() - 10)))
                count += name.rfind(L"~tw", 0) == 0 ? 1 : 0;
        }
        for (const std::wstring& name : ListDirectory(spares_)) count += name.rfind(L"~tw", 0) == 0 ? 1 : 0;
        return count;
    }

    // No temporary file (nor anything else) beside any registry file or spare file.
    void ExpectNothingLeftOver() const {
        for (const RegistryFile& file : files_) {
            const std::wstring text = file.path.substr(0, file.path.size() - 10);
            EXPECT_EQ(ListDirectory(text), std::vector<std::wstring>({L"protk.dat"})) << Narrow(text);
        }
        for (const std::wstring& name : ListDirectory(spares_))
            EXPECT_TRUE(name == L"protkx32.dat" || name == L"protkx64.dat") << Narrow(name);
    }

    TempFolder root_;
    ThrowawayLoadpointKeys keys_;
    std::wstring keyList_;
    std::wstring spares_;
    std::vector<RegistryFile> files_;
    std::string listing_;
};

TEST_F(ConcurrentRuns, RoundsOfRegistrationsAndAMixedRoundGiveSerialResults) {
    int registrations = 0;
    int present = 0;
    int serial = 0;  // files (registry and spare) that were a serial result after their round
    std::string times;
    for (int round = 0; round < 3; ++round) {
        std::vector<Op> ops;
        for (char app = 'A'; app <= 'D'; ++app) ops.push_back({std::string("Round") + char('1' + round) + app, true});
        const std::map<std::wstring, Content> before = Snapshot();
        times += (round == 0 ? "" : ", ") + std::to_string(static_cast<int>(RunTogether(ops))) + " ms";
        const int wrongInRound = CountNonSerialFiles(before, ops);
        EXPECT_EQ(wrongInRound, 0) << "round " << round;
        serial += static_cast<int>(files_.size()) + 2 - wrongInRound;
        for (const RegistryFile& file : files_) {
            const Content content = ReadContent(file.path);
            for (const Op& op : ops) {
                ++registrations;
                const std::string line = "\r\nname " + op.name + "\r\nexec_file " + Executable(op.name, file.sixtyFour);
                if (content && content->find(line) != std::string::npos) ++present;
            }
        }
    }
    EXPECT_EQ(present, registrations);
    ExpectNothingLeftOver();

    // Two of the last round's applications unregistered while two new ones register.
    const std::vector<Op> mixed = {{"Round3A", false}, {"Round3B", false}, {"Mixed1", true}, {"Mixed2", true}};
    const std::map<std::wstring, Content> before = Snapshot();
    const double mixedMs = RunTogether(mixed);
    const int wrong = CountNonSerialFiles(before, mixed);
    EXPECT_EQ(wrong, 0);
    ExpectNothingLeftOver();

    RecordFigure("concurrency: 3 rounds of 4 registrations at once into " + std::to_string(files_.size()) +
                 " protk.dat (" + std::to_string(kLoadpointsPerView) +
                 " per view) and one spares folder: " + std::to_string(present) + " of " +
                 std::to_string(registrations) + " registrations present, " + std::to_string(serial) + " of " +
                 std::to_string(3 * (files_.size() + 2)) + " files a serial result (rounds took " + times +
                 "); mixed round of 2 unregistrations and 2 registrations: " +
                 std::to_string(files_.size() + 2 - static_cast<std::size_t>(wrong)) + " of " +
                 std::to_string(files_.size() + 2) + " files a serial result, " +
                 std::to_string(static_cast<int>(mixedMs)) + " ms");
}

TEST_F(ConcurrentRuns, RunsKilledAtRandomMomentsLeaveEveryFileOldOrNew) {
    // How long a whole run takes here, as the range of the moments to kill at.
    const Op base{"Base", true};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunTarnwick(Arguments(base)).exitCode, 1u);
    const double runMs = MillisecondsSince(start);

    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.0, runMs * 1.1);
    constexpr int kKills = 12;
    int midway = 0;  // kills that left some files old and some new
    int filesNew = 0;
    int leftTemporary = 0;  // kills after which a temporary file was left, for the next run to remove
    std::string moments;
    for (int kill = 0; kill < kKills; ++kill) {
        // Registering a new name and unregistering it again in turn, so that every run changes
        // every file.
        const Op op{"Killed" + std::to_string(kill - kill % 2), kill % 2 == 0};
        const std::map<std::wstring, Content> before = Snapshot();
        const double delayMs = moment(random);
        {
            StartedProgram run(L"tarnwick.exe", Arguments(op));
            ASSERT_TRUE(run.started());
            std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(delayMs * 1000)));
            run.Kill();
        }
        moments += (kill == 0 ? "" : ", ") + std::to_string(static_cast<int>(delayMs));

        // Right after the kill: each file whole, either as before or as the run makes it.
        int fresh = 0;
        for (const RegistryFile& file : files_) {
            const Content& old = before.at(file.path);
            const Content now = ReadContent(file.path);
            const Content made = Apply(old, op, file.sixtyFour);
            EXPECT_TRUE(now == old || now == made)
                << Narrow(file.path) << " after kill " << kill << " (seed " << seed << ")";
            if (now == made) ++fresh;
        }
        for (bool sixtyFour : {false, true}) {
            const Content now = ReadContent(Spare(sixtyFour));
            const Content made = op.registering ? Content(SpareBytes(op.name, sixtyFour)) : std::nullopt;
            EXPECT_TRUE(now == before.at(Spare(sixtyFour)) || now == made) << "spare after kill " << kill;
        }
        filesNew += fresh;
        if (fresh > 0 && fresh < static_cast<int>(files_.size())) ++midway;
        if (CountTemporaryFiles() > 0) ++leftTemporary;

        // The same run again, to its end: the serial result, and nothing left behind.
        const ProcessResult complete = RunTarnwick(Arguments(op));
        EXPECT_EQ(complete.exitCode, 1u);
        EXPECT_EQ(complete.output, listing_);
        EXPECT_EQ(complete.errors, "") << "after kill " << kill;
        for (const RegistryFile& file : files_)
            EXPECT_EQ(ReadContent(file.path), Apply(before.at(file.path), op, file.sixtyFour)) << Narrow(file.path);
        for (bool sixtyFour : {false, true}) {
            EXPECT_EQ(ReadContent(Spare(sixtyFour)),
                      op.registering ? Content(SpareBytes(op.name, sixtyFour)) : std::nullopt);
        }
        ExpectNothingLeftOver();
    }
    // Every other application's entry is still there, in its place, in every file.
    for (const RegistryFile& file : files_) {
        const Content content = ReadContent(file.path);
        ASSERT_TRUE(content.has_value());
        EXPECT_EQ(content->find("name Other"), 0u);
        EXPECT_NE(content->find("name Base\r\n"), std::string::npos);
    }
    RecordFigure("kills: " + std::to_string(kKills) + " runs over " + std::to_string(files_.size()) +
                 " protk.dat killed at random moments within a whole run's " + std::to_string(static_cast<int>(runMs)) +
                 " ms (at " + moments + " ms): every file old or new after each kill (" + std::to_string(midway) +
                 " kills left some files old and some new; " + std::to_string(filesNew) + " of " +
                 std::to_string(kKills * static_cast<int>(files_.size())) +
                 " files new; kills that left a temporary file: " + std::to_string(leftTemporary) +
                 "), every file the serial result and no temporary file after the next "
                 "run");
}

// Spellings of one folder, the plain one first. Wine 8 cannot make a second drive letter or a
// junction from a program (DefineDosDeviceW and CreateSymbolicLinkW report success and make
// nothing; mklink /J fails), so the test command's wrapper (tests/with_spellings.sh) makes them in
// the prefix: a drive letter in its dosdevices, and a directory symbolic link, which Wine shows
// as a folder just as Windows shows a junction; it names them in TARNWICK_SPELLINGS, separated by
// semicolons. Elsewhere the test makes them itself, with subst and mklink /J.
class FolderSpellings {
public:
    FolderSpellings() {
        if (const char* given = std::getenv("TARNWICK_SPELLINGS")) {
            std::string list = given;
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t end = std::min(list.find(';', start), list.size());
                if (end > start) paths_.push_back(Widen(list.substr(start, end - start)));
                start = end + 1;
            }
        } else {
            MakeOwn();
        }
        // Every spelling must show what the plain one holds.
        if (paths_.size() < 3) return;
        const std::wstring marker = L"\\spelling-marker";
        if (!WriteFileBytes(paths_[0] + marker, "marker")) return;
        bool all = true;
        for (const std::wstring& path : paths_) all = all && FileExists(path + marker);
        DeleteFileW((paths_[0] + marker).c_str());
        usable_ = all;
    }
    ~FolderSpellings() {
        if (!letter_.empty()) (void)RunProcess(L"C:\\windows\\system32\\cmd.exe", {L"/c", L"subst", letter_, L"/d"});
        if (!junction_.empty()) RemoveDirectoryW(junction_.c_str());
    }
    FolderSpellings(const FolderSpellings&) = delete;
    FolderSpellings& operator=(const FolderSpellings&) = delete;

    bool usable() const { return usable_; }
    // 0: the plain path; 1: through another drive letter; 2: through a junction.
    const std::wstring& path(int spelling) const { return paths_[static_cast<std::size_t>(spelling)]; }

private:
    static std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    void MakeOwn() {
        const std::wstring real = own_.path() + L"\\real";
        CreateDirectoryW(real.c_str(), nullptr);
        paths_.push_back(real);
        const DWORD drives = GetLogicalDrives();
        for (wchar_t letter = L'T'; letter <= L'Y'; ++letter) {
            if ((drives & (1u << (letter - L'A'))) != 0) continue;
            const std::wstring drive = std::wstring(1, letter) + L":";
            if (RunProcess(L"C:\\windows\\system32\\cmd.exe", {L"/c", L"subst", drive, real}).exitCode == 0) {
                letter_ = drive;
                paths_.push_back(drive + L"\\");
            }
            break;
        }
        const std::wstring junction = own_.path() + L"\\junction";
        if (RunProcess(L"C:\\windows\\system32\\cmd.exe", {L"/c", L"mklink", L"/J", junction, real}).exitCode == 0) {
            junction_ = junction;
            paths_.push_back(junction);
        }
    }

    TempFolder own_;
    std::vector<std::wstring> paths_;
    std::wstring letter_;
    std::wstring junction_;
    bool usable_ = false;
};

TEST(TwoSpellings, RunsThroughTwoSpellingsOfOneFolderTakeOneTurnAndLoseNoEntry) {
    FolderSpellings spellings;
    if (!spellings.usable()) {
        GTEST_SKIP() << "no second drive letter and junction to the same folder here (under Wine the test "
                        "command's wrapper makes them)";
    }
    constexpr int kPerView = 20;
    TempFolder lists;
    std::vector<std::unique_ptr<ThrowawayLoadpointKeys>> keys;
    std::vector<std::wstring> keyLists;
    for (int spelling = 0; spelling < 3; ++spelling) {
        keys.push_back(std::make_unique<ThrowawayLoadpointKeys>());
        keyLists.push_back(lists.path() + L"\\keys" + std::to_wstring(spelling) + L".txt");
        ASSERT_TRUE(WriteFileBytes(keyLists.back(), Narrow(keys.back()->path()) + "\r\n"));
    }
    struct File {
        std::wstring path;
        bool sixtyFour;
    };
    std::vector<File> files;
    for (int view = 0; view < 2; ++view) {
        for (int i = 0; i < kPerView; ++i) {
            wchar_t name[32];
            (void)std::swprintf(name, 32, L"lp%d_%02d", view == 0 ? 32 : 64, i);
            MakeLoadpoint(spellings.path(0), name);
            for (int spelling = 0; spelling < 3; ++spelling) {
                std::wstring loadpoint = spellings.path(spelling);
                if (loadpoint.back() != L'\\') loadpoint += L"\\";
                ASSERT_TRUE(keys[static_cast<std::size_t>(spelling)]->Add(view == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY,
                                                                          name, loadpoint + name));
            }
            files.push_back({spellings.path(0) + L"\\" + name + L"\\text\\protk.dat", view == 1});
            ASSERT_TRUE(WriteFileBytes(files.back().path, "name Other\r\nexec_file C:\\o.dll\r\nend\r\n"));
        }
    }
    constexpr int kRoundsPerPair = 4;
    int registrations = 0;
    int present = 0;
    int serial = 0;
    std::string times;
    for (int round = 0; round < 2 * kRoundsPerPair; ++round) {
        const int second = round < kRoundsPerPair ? 1 : 2;  // the drive letter, then the junction
        std::vector<Op> ops;
        std::vector<std::unique_ptr<StartedProgram>> runs;
        std::map<std::wstring, Content> before;
        for (const File& file : files) before[file.path] = ReadContent(file.path);
        const auto start = std::chrono::steady_clock::now();
        for (int run = 0; run < 4; ++run) {
            ops.push_back({"Spelled" + std::to_string(round) + char('A' + run), true});
            const std::string& name = ops.back().name;
            const std::string x86 = Executable(name, false);
            const std::string x64 = Executable(name, true);
            runs.push_back(std::make_unique<StartedProgram>(
                L"tarnwick.exe",
                std::vector<std::wstring>{L"/name:" + std::wstring(name.begin(), name.end()),
                                          L"/reg:" + keyLists[static_cast<std::size_t>(run % 2 == 0 ? 0 : second)],
                                          L"/exec32:" + std::wstring(x86.begin(), x86.end()),
                                          L"/exec64:" + std::wstring(x64.begin(), x64.end())}));
        }
        for (std::size_t i = 0; i < runs.size(); ++i) {
            ASSERT_TRUE(runs[i]->started());
            const ProcessResult result = runs[i]->Wait();
            EXPECT_EQ(result.exitCode, 1u) << ops[i].name;
            EXPECT_EQ(result.errors, "") << ops[i].name;
        }
        times += (round == 0 ? "" : ", ") + std::to_string(static_cast<int>(MillisecondsSince(start)));
        for (const File& file : files) {
            const Content content = ReadContent(file.path);
            const bool isSerial = OneOf(content, SerialResults(before.at(file.path), ops, file.sixtyFour));
            EXPECT_TRUE(isSerial) << Narrow(file.path) << " is no serial result of round " << round;
            serial += isSerial ? 1 : 0;
            for (const Op& op : ops) {
                ++registrations;
                const std::string line = "\r\nname " + op.name + "\r\nexec_file " + Executable(op.name, file.sixtyFour);
                if (content && content->find(line) != std::string::npos) ++present;
            }
        }
        for (const File& file : files) {
            const std::wstring text = file.path.substr(0, file.path.size() - 10);
            EXPECT_EQ(ListDirectory(text), std::vector<std::wstring>({L"protk.dat"})) << Narrow(text);
        }
    }
    EXPECT_EQ(present, registrations);
    RecordFigure(
        "two spellings: " + std::to_string(2 * kRoundsPerPair) + " rounds of 4 registrations at once into " +
        std::to_string(files.size()) + " protk.dat, 2 runs through " + Narrow(spellings.path(0)) + " and 2 through " +
        Narrow(spellings.path(1)) + " (" + std::to_string(kRoundsPerPair) + " rounds) or " + Narrow(spellings.path(2)) +
        " (" + std::to_string(kRoundsPerPair) + " rounds): " + std::to_string(present) + " of " +
        std::to_string(registrations) + " registrations present, " + std::to_string(serial) + " of " +
        std::to_string(files.size() * 2 * kRoundsPerPair) + " files a serial result (rounds took " + times + " ms)");
}

TEST(SkippedFiles, EachIsNamedOnStandardErrorAndNothingElseChanges) {
    TempFolder root;
    ThrowawayLoadpointKeys keys;
    const std::wstring keyList = root.path() + L"\\keys.txt";
    ASSERT_TRUE(WriteFileBytes(keyList, Narrow(keys.path()) + "\r\n"));
    const std::string old = "name Other\r\nend\r\n";
    std::vector<std::wstring> loadpoints;
    for (const wchar_t* name : {L"a-exclusive", L"b-readonly", L"c-reading", L"d-folder", L"e-turn", L"f-fine"}) {
        loadpoints.push_back(MakeLoadpoint(root.path(), name));
        ASSERT_TRUE(keys.Add(KEY_WOW64_32KEY, name, loadpoints.back()));
    }
    const std::wstring noText = root.path() + L"\\g-notext";
    ASSERT_TRUE(CreateDirectoryW(noText.c_str(), nullptr));
    ASSERT_TRUE(keys.Add(KEY_WOW64_32KEY, L"g-notext", noText));
    loadpoints.push_back(noText);
    auto protk = [&](int i) { return loadpoints[static_cast<std::size_t>(i)] + L"\\text\\protk.dat"; };
    for (int i : {0, 1, 2, 4, 5}) ASSERT_TRUE(WriteFileBytes(protk(i), old));
    ASSERT_TRUE(SetFileAttributesW(protk(1).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryW(protk(3).c_str(), nullptr));

    ProcessResult run;
    double waitedMs = 0;
    {
        FileHolder exclusive(L"exclusive", protk(0));
        FileHolder reading(L"reading", protk(2));
        FileHolder turn(L"turn", protk(4));
        ASSERT_TRUE(exclusive.holding());
        ASSERT_TRUE(reading.holding());
        ASSERT_TRUE(turn.holding());
        const auto start = std::chrono::steady_clock::now();
        run = RunTarnwick(
            {L"/name:MyApp", L"/exec32:C:\\my.dll", L"/reg:" + keyList, L"/spares:" + root.path() + L"\\missing"});
        waitedMs = MillisecondsSince(start);
    }
    SetFileAttributesW(protk(1).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(run.exitCode, 1u);
    std::string listing =
        Lines({"Pro/TOOLKIT integration utility", "The following Pro/ENGINEER / Creo loadpoints have been found"});
    for (const std::wstring& loadpoint : loadpoints) listing += Narrow(loadpoint) + "\r\n";
    EXPECT_EQ(run.output, listing);
    auto line = [&](const std::wstring& path, const std::string& reason) {
        return "Passed over \"" + Narrow(path) + "\": " + reason;
    };
    EXPECT_EQ(run.errors,
              Lines({line(protk(0), "held open by another program"), line(protk(1), "read-only"),
                     line(protk(2), "the new file could not be renamed over it"), line(protk(3), "cannot be read"),
                     line(protk(4), "did not get its turn: other runs kept it busy"),
                     line(protk(6), "its folder does not exist"),
                     line(root.path() + L"\\missing\\protkx32.dat", "its folder does not exist")}));
    for (int i : {0, 1, 2, 4}) EXPECT_EQ(ReadContent(protk(i)), old) << i;
    EXPECT_NE(ReadContent(protk(5))->find("name MyApp"), std::string::npos);

    // A key list file that is missing, or held open without sharing.
    const std::wstring missing = root.path() + L"\\absent.txt";
    const ProcessResult absent = RunTarnwick({L"/name:MyApp", L"/exec32:C:\\my.dll", L"/reg:" + missing});
    EXPECT_EQ(absent.exitCode, 1u);
    EXPECT_EQ(absent.output,
              Lines({"Pro/TOOLKIT integration utility", "No Pro/ENGINEER / Creo loadpoints have been found"}));
    EXPECT_EQ(absent.errors, Lines({"Registry-key list file not read \"" + Narrow(missing) + "\": not found"}));
    {
        FileHolder exclusive(L"exclusive", keyList);
        ASSERT_TRUE(exclusive.holding());
        const ProcessResult held = RunTarnwick({L"/listxtops", L"/reg:" + keyList});
        EXPECT_EQ(held.exitCode, 0u);
        EXPECT_EQ(held.output, "");
        EXPECT_EQ(held.errors,
                  Lines({"Registry-key list file not read \"" + Narrow(keyList) + "\": held open by another program"}));
    }
    RecordFigure(
        "passed-over files named on standard error (held open, read-only, rename failed, unreadable, no "
        "turn, no folder, key list missing or held): the run with a stalled turn took " +
        std::to_string(static_cast<int>(waitedMs)) + " ms (bounded wait 10 s)");
}

}  // namespace
}  // namespace tarnwick::e2e
