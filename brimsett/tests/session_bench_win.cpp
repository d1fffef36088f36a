// Benchmark (not a test): the runtime's overhead per action inside a real installer session.
// Runs an empty custom action and one that initialises, reads one property, writes one log line
// and finalises, alternately in the same session, and prints their times.
#include "testkit/files_win.h"
#include "testkit/process_win.h"
#include "tests/msi_harness_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace brimsett_test;
using testkit::Narrow;
using testkit::PathBesideTestProgram;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return sum / values.size();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 100;
    Package package;
    package.dllPath = PathBesideTestProgram(L"brimsett_probe.dll");
    package.actions = {{L"Empty", L"ProbeBenchEmpty"}, {L"Runtime", L"ProbeBenchRuntime"}};
    InstallerSession session(package);
    if (!session.ok()) {
        std::printf("cannot open the package: %s\n", Narrow(session.error()).c_str());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto timed = [&](const wchar_t* action) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        session.DoAction(action);
        QueryPerformanceCounter(&end);
        return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
    };
    // Warm up: the first custom action starts the installer's helper machinery.
    timed(L"Empty");
    timed(L"Runtime");

    std::vector<double> empty, runtime, inside;
    for (int i = 0; i < rounds; ++i) {
        empty.push_back(timed(L"Empty"));
        runtime.push_back(timed(L"Runtime"));
        inside.push_back(std::strtod(Narrow(session.GetProperty(L"PROBE_RUNTIME_MICROSECONDS")).c_str(), nullptr));
    }
    size_t lines = session.LinesOf(L"BenchProbe").size();
    std::printf("rounds: %d (log lines seen: %u)\n", rounds, static_cast<unsigned>(lines));
    std::printf("empty action:   median %8.0f us  mean %8.0f us\n", Median(empty), Mean(empty));
    std::printf("runtime action: median %8.0f us  mean %8.0f us\n", Median(runtime), Mean(runtime));
    std::printf("ratio (median): %.2f\n", Median(runtime) / Median(empty));
    std::printf("runtime's own work inside the action: median %.0f us  mean %.0f us\n", Median(inside), Mean(inside));
    return lines == static_cast<size_t>(rounds) + 1 ? 0 : 2;
}
