// Runs a fuzz target's function over stored inputs without libFuzzer, so that every input that
// ever made a target fail (fuzz/regressions/<target>) and the seed corpus are replayed by ctest
// in the ordinary host builds. Arguments are files or directories (a missing directory is empty).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Replay(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that a read past its end is seen by the sanitizers.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    (void)std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.string().c_str(), input.size());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                Replay(file);
                ++count;
            }
        } else if (std::filesystem::is_regular_file(path, error)) {
            Replay(path);
            ++count;
        }
    }
    std::printf("%zu inputs replayed, every property held\n", count);
    return 0;
}
