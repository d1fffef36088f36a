// Benchmark: the merge of one large protk.dat (read the bytes, split, remove the application's
// entry, append the new one, collapse, serialise, write) against a plain read and write of the
// same bytes, in the same run; and the merge's peak memory against the file's size.
//
// Usage: registration_merge_bench [MEGABYTES [ENTRIES [ROUNDS]]]   (default 10 20000 7)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "registration/registry_file.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PlainCopy(const std::string& path) {
    WriteAll(path + ".out", ReadAll(path));
}

void Merge(const std::string& path) {
    std::string bytes = ReadAll(path);
    std::string merged;
    const bool changed = tarnwick::MergeRegistryFile(bytes, "BenchApp", &tarnwick::bench::kBenchEntry, merged);
    std::string().swap(bytes);
    if (changed) WriteAll(path + ".out", merged);
}

double Seconds(void (*step)(const std::string&), const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    step(path);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long MaxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs `step` once in a child process and returns the child's peak resident size beyond what it
// had before the step, in kilobytes.
long PeakKb(void (*step)(const std::string&), const std::string& path) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const long before = MaxRssKb();
        step(path);
        const long growth = MaxRssKb() - before;
        if (write(pipeEnds[1], &growth, sizeof(growth)) != sizeof(growth)) _exit(1);
        _exit(0);
    }
    close(pipeEnds[1]);
    long growth = -1;
    if (read(pipeEnds[0], &growth, sizeof(growth)) != sizeof(growth)) growth = -1;
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::strtod(argv[1], nullptr) : 10.0;
    const std::size_t entries = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20000;
    const int rounds = argc > 3 ? static_cast<int>(std::strtol(argv[3], nullptr, 10)) : 7;
    char directory[] = "/tmp/tw_merge_bench_XXXXXX";
    if (mkdtemp(directory) == nullptr) return 1;
    const std::string path = std::string(directory) + "/protk.dat";
    const std::string file =
        tarnwick::bench::MakeRegistryFile(entries, static_cast<std::size_t>(megabytes * 1024 * 1024));
    WriteAll(path, file);

    std::vector<double> plain, merge;
    for (int i = 0; i < rounds; ++i) {
        plain.push_back(Seconds(PlainCopy, path));
        merge.push_back(Seconds(Merge, path));
    }
    std::sort(plain.begin(), plain.end());
    std::sort(merge.begin(), merge.end());
    const double plainMedian = plain[plain.size() / 2];
    const double mergeMedian = merge[merge.size() / 2];
    const long peakKb = PeakKb(Merge, path);
    const double fileKb = static_cast<double>(file.size()) / 1024.0;

    std::printf("file: %zu bytes, %zu entries, %d rounds\n", file.size(), entries, rounds);
    std::printf("plain read+write: median %.2f ms (min %.2f)\n", plainMedian * 1e3, plain.front() * 1e3);
    std::printf("merge:            median %.2f ms (min %.2f)\n", mergeMedian * 1e3, merge.front() * 1e3);
    std::printf("ratio merge/plain (medians): %.2f  (target: within 3)\n", mergeMedian / plainMedian);
    std::printf("merge peak memory growth: %ld KB = %.2f x the file  (target: below 4 x + constant)\n", peakKb,
                static_cast<double>(peakKb) / fileKb);

    (void)std::remove((path + ".out").c_str());
    (void)std::remove(path.c_str());
    (void)rmdir(directory);
    return 0;
}
