// Benchmark under Wine: a registration into many loadpoints (half in each loadpoint list) with
// protk.dat files of a given size, against a plain program that reads and rewrites the same files
// once; and the process's peak working set during the registration.
//
// Usage: tarnwick_registration_bench [LOADPOINTS_PER_VIEW [FILE_KB [ROUNDS [DIRECTORY]]]]
//        (default 100 100 5, in the temporary folder)
#include <windows.h>

#include <psapi.h>  // after windows.h, which it needs

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_win.h"
#include "discovery/loadpoints.h"
#include "registration/registration.h"
#include "registration/registry_file.h"
#include "run_options.h"
#include "win/scoped_handle.h"

namespace {

using tarnwick::bench::Median;
using tarnwick::bench::Now;
using tarnwick::bench::WriteBytes;

// Reads the whole file into `bytes`, whose storage is reused from file to file.
void ReadBytes(const std::string& path, std::string& bytes) {
    const win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    bytes.resize(GetFileSize(file.get(), nullptr));
    DWORD got = 0;
    ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
}

// The yardstick: read each file whole and write it back once.
void ReadAndRewrite(const std::vector<std::string>& files) {
    std::string bytes;
    for (const std::string& path : files) {
        ReadBytes(path, bytes);
        WriteBytes(path, bytes);
    }
}

// The floor of a safe rewrite: read each file whole and put the same bytes back through a
// temporary file renamed over it.
void ReadAndReplace(const std::vector<std::string>& files) {
    std::string bytes;
    for (const std::string& path : files) {
        ReadBytes(path, bytes);
        WriteBytes(path + "~", bytes);
        MoveFileExA((path + "~").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
}

}  // namespace

int main(int argc, char** argv) {
    const int perView = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 100;
    const int fileKb = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 100;
    const int rounds = argc > 3 ? static_cast<int>(std::strtol(argv[3], nullptr, 10)) : 5;

    char base[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, base);
    if (argc > 4) (void)std::snprintf(base, sizeof(base), "%s\\", argv[4]);
    const std::string root = std::string(base) + "tw_registration_bench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string original = tarnwick::bench::MakeRegistryFile(static_cast<std::size_t>(fileKb) * 2,
                                                                   static_cast<std::size_t>(fileKb) * 1024);
    std::vector<std::string> files;
    tarnwick::Loadpoints loadpoints;
    for (int view = 0; view < 2; ++view) {
        for (int i = 0; i < perView; ++i) {
            const std::string loadpoint = root + "\\lp" + std::to_string(view) + "_" + std::to_string(i);
            CreateDirectoryA(loadpoint.c_str(), nullptr);
            CreateDirectoryA((loadpoint + "\\text").c_str(), nullptr);
            (view == 0 ? loadpoints.thirtyTwoBit : loadpoints.sixtyFourBit).push_back(loadpoint);
            files.push_back(loadpoint + "\\text\\protk.dat");
        }
    }
    std::sort(loadpoints.thirtyTwoBit.begin(), loadpoints.thirtyTwoBit.end());
    std::sort(loadpoints.sixtyFourBit.begin(), loadpoints.sixtyFourBit.end());
    tarnwick::RunOptions options;
    options.name = L"BenchApp";
    options.startup = L"dll";
    options.exec32 = L"C:\\new\\x86\\bench.dll";
    options.exec64 = L"C:\\new\\x64\\bench.dll";

    std::vector<double> plain, registration, compute, replace;
    const SIZE_T peakBefore = PeakWorkingSet();
    for (int round = 0; round < rounds; ++round) {
        for (const std::string& path : files) WriteBytes(path, original);
        double start = Now();
        ReadAndRewrite(files);
        plain.push_back(Now() - start);
        for (const std::string& path : files) WriteBytes(path, original);
        start = Now();
        ReadAndReplace(files);
        replace.push_back(Now() - start);
        for (const std::string& path : files) WriteBytes(path, original);
        start = Now();
        tarnwick::UpdateLoadpointRegistryFiles(options, loadpoints);
        registration.push_back(Now() - start);
        start = Now();
        std::size_t total = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::string merged;
            if (tarnwick::MergeRegistryFile(std::string_view(original), "BenchApp", &tarnwick::bench::kBenchEntry,
                                            merged))
                total += merged.size();
        }
        compute.push_back(Now() - start);
        if (total == 0) return 1;
    }
    const SIZE_T peakAfter = PeakWorkingSet();

    std::printf("%zu loadpoints (%d per view), protk.dat of %zu bytes each, %d rounds\n", files.size(), perView,
                original.size(), rounds);
    std::printf("read+rewrite once:       median %.1f ms\n", Median(plain) * 1e3);
    std::printf("read+temporary+rename:   median %.1f ms\n", Median(replace) * 1e3);
    std::printf("UpdateLoadpointRegistryFiles: median %.1f ms\n", Median(registration) * 1e3);
    std::printf("of which merging in memory: median %.1f ms\n", Median(compute) * 1e3);
    std::printf("ratio (medians): %.2f\n", Median(registration) / Median(plain));
    std::printf("ratio to the safe rewrite's floor (read+temporary+rename): %.2f\n",
                Median(registration) / Median(replace));
    std::printf("peak working set growth over the runs: %lu KB (file: %zu KB)\n",
                static_cast<unsigned long>((peakAfter - peakBefore) / 1024), original.size() / 1024);

    for (const std::string& path : files) {
        DeleteFileA(path.c_str());
        const std::string text = path.substr(0, path.size() - 10);
        RemoveDirectoryA(text.c_str());
        RemoveDirectoryA(text.substr(0, text.size() - 5).c_str());
    }
    RemoveDirectoryA(root.c_str());
    return 0;
}
