// Benchmark under Wine of whole processes: tarnwick.exe registering an application into N
// loadpoints, against the floor program (tarnwick_registration_floor.exe) doing the least that
// job needs, each started as a process of its own, alternately, the protk.dat files reset before
// each run. Both find the loadpoints through registry keys in the program's own view and write
// their standard output and error to the NUL device (a character device, as a console is).
//
// Usage: tarnwick_process_bench [LOADPOINTS [FILE_KB [RUNS [DIRECTORY]]]]   (default 100 4 7)
//        tarnwick_process_bench --trace LOADPOINTS LOADPOINTS2 FILE_KB [DIRECTORY]
// The second form runs each program once on each number of loadpoints, between two named events
// ("TarnwickBenchMark begin|end PROGRAM LOADPOINTS") that a Wine server trace shows, so that a
// script can count the server requests of each run (scripts/registration-ratio.sh --requests).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_win.h"

namespace {

using tarnwick::bench::Median;
using tarnwick::bench::Now;
using tarnwick::bench::WriteBytes;

std::string FolderOfThisProgram() {
    char path[MAX_PATH];
    const DWORD size = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, size);
    return folder.substr(0, folder.find_last_of('\\'));
}

// N loadpoints with their keys, protk.dat files and xtop.exe of the program's own bitness, and
// the key list that names them; all removed again by Remove().
class Machine {
public:
    Machine(const std::string& base, int loadpoints, const std::string& original) : original_(original) {
        const std::string id = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(loadpoints);
        root_ = base + "tw_process_bench_" + id;
        key_ = "SOFTWARE\\TarnwickProcessBench_" + id;
        CreateDirectoryA(root_.c_str(), nullptr);
        const char* machine = sizeof(void*) == 8 ? "\\x86e_win64" : "\\i486_nt";
        for (int i = 0; i < loadpoints; ++i) {
            const std::string loadpoint = root_ + "\\lp" + std::to_string(1000 + i);
            for (const std::string& folder :
                 {loadpoint, loadpoint + "\\text", loadpoint + machine, loadpoint + machine + "\\obj"}) {
                CreateDirectoryA(folder.c_str(), nullptr);
            }
            WriteBytes(loadpoint + machine + "\\obj\\xtop.exe", "MZ");
            files_.push_back(loadpoint + "\\text\\protk.dat");
            HKEY installation = nullptr;
            const std::string keyPath = key_ + "\\" + std::to_string(1000 + i);
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &installation, nullptr) == ERROR_SUCCESS) {
                RegSetValueExA(installation, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(loadpoint.c_str()),
                               static_cast<DWORD>(loadpoint.size()) + 1);
                RegCloseKey(installation);
            }
        }
        keyList_ = root_ + "\\keys.txt";
        WriteBytes(keyList_, key_ + "\r\n");
    }

    void Reset() const {
        for (const std::string& path : files_) WriteBytes(path, original_);
    }

    // Starts the program with the arguments, output to NUL; the seconds until it ended.
    double Run(const std::string& program) const {
        std::string command = "\"";
        command.append(FolderOfThisProgram()).append("\\").append(program).append("\"");
        if (program == "tarnwick.exe") {
            command += " /name:BenchApp /startup:dll /exec32:C:\\new\\x86\\bench.dll /exec64:C:\\new\\x64\\bench.dll";
        }
        command += " \"/reg:" + keyList_ + "\"";
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        const HANDLE nul =
            CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul;
        startup.hStdOutput = nul;
        startup.hStdError = nul;
        PROCESS_INFORMATION process{};
        const double start = Now();
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            (void)std::fprintf(stderr, "cannot start %s\n", command.c_str());
            std::exit(1);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        const double seconds = Now() - start;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        CloseHandle(nul);
        return seconds;
    }

    void Remove() const {
        for (const std::string& path : files_) {
            const std::string loadpoint = path.substr(0, path.size() - 15);
            const char* machine = sizeof(void*) == 8 ? "\\x86e_win64" : "\\i486_nt";
            DeleteFileA(path.c_str());
            DeleteFileA((loadpoint + machine + "\\obj\\xtop.exe").c_str());
            for (const std::string& folder :
                 {loadpoint + machine + "\\obj", loadpoint + machine, loadpoint + "\\text", loadpoint}) {
                RemoveDirectoryA(folder.c_str());
            }
        }
        DeleteFileA(keyList_.c_str());
        RemoveDirectoryA(root_.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key_.c_str());
    }

private:
    std::string original_;
    std::string root_;
    std::string key_;
    std::string keyList_;
    std::vector<std::string> files_;
};

void Mark(const std::string& text) {
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, ("TarnwickBenchMark " + text).c_str());
    if (event != nullptr) CloseHandle(event);
}

std::string Base(int argc, char** argv, int index) {
    char base[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, base);
    if (argc > index) (void)std::snprintf(base, sizeof(base), "%s\\", argv[index]);
    return base;
}

int Number(const char* text) {
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

std::string Registry(int fileKb) {
    // About 40 bytes an entry line and 9 lines an entry: one entry per 400 bytes.
    const std::size_t bytes = static_cast<std::size_t>(fileKb) * 1024;
    return tarnwick::bench::MakeRegistryFile(std::max<std::size_t>(bytes / 400, 3), bytes);
}

const char* const kPrograms[] = {"tarnwick.exe", "tarnwick_registration_floor.exe"};

int Trace(int argc, char** argv) {
    if (argc < 5) return 2;
    const int sizes[] = {Number(argv[2]), Number(argv[3])};
    const std::string original = Registry(Number(argv[4]));
    for (int size : sizes) {
        const Machine machine(Base(argc, argv, 5), size, original);
        for (const char* program : kPrograms) {
            machine.Reset();
            const std::string label = std::string(program) + " " + std::to_string(size);
            Mark("begin " + label);
            machine.Run(program);
            Mark("end " + label);
        }
        machine.Remove();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--trace") return Trace(argc, argv);
    const int loadpoints = argc > 1 ? Number(argv[1]) : 100;
    const int fileKb = argc > 2 ? Number(argv[2]) : 4;
    const int runs = argc > 3 ? Number(argv[3]) : 7;
    const std::string original = Registry(fileKb);
    const Machine machine(Base(argc, argv, 4), loadpoints, original);

    std::vector<double> times[2];
    machine.Reset();
    machine.Run(kPrograms[0]);  // a first run of each, untimed: the images are read from disk
    machine.Reset();
    machine.Run(kPrograms[1]);
    for (int run = 0; run < runs; ++run) {
        for (int program = 0; program < 2; ++program) {
            machine.Reset();
            times[program].push_back(machine.Run(kPrograms[program]));
        }
    }
    machine.Remove();

    std::printf("%d loadpoints, protk.dat of %zu bytes each, %d runs of each program, alternating\n", loadpoints,
                original.size(), runs);
    for (int program = 0; program < 2; ++program) {
        const auto [least, most] = std::minmax_element(times[program].begin(), times[program].end());
        std::printf("%-32s median %7.1f ms (%.1f to %.1f)\n", kPrograms[program], Median(times[program]) * 1e3,
                    *least * 1e3, *most * 1e3);
    }
    std::printf("time ratio to the floor (medians): %.2f  (target: at most 1.5)\n",
                Median(times[0]) / Median(times[1]));
    return 0;
}
