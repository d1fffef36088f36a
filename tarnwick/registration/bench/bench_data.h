// Registry files for the registration benchmarks: many applications' entries, the benchmarked
// application's own entry somewhere in the middle, blank runs here and there.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::bench {

inline std::string MakeRegistryFile(std::size_t entries, std::size_t targetBytes) {
    std::string file;
    file.reserve(targetBytes + 1024);
    const std::size_t perEntry = entries == 0 ? 0 : targetBytes / entries;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t start = file.size();
        if (i == entries / 2) {
            file += "\r\nname BenchApp\r\nexec_file C:\\old\\bench.dll\r\nend\r\n";
            continue;
        }
        file += (i % 7 == 0) ? "\r\n\r\n\r\n" : "\r\n";
        file += "name Application" + std::to_string(i) + "\r\nstartup dll\r\nexec_file C:\\Program Files\\Vendor" +
                std::to_string(i) + "\\x64\\addin.dll\r\ntext_dir C:\\Program Files\\Vendor" + std::to_string(i) +
                "\\text\r\nunicode_encoding false\r\ndelay_start false\r\nallow_stop true\r\n";
        std::string description = "description ";
        while (file.size() - start + description.size() + 7 < perEntry) description += "Lorem ipsum dolor sit amet. ";
        file += description + "\r\nend\r\n";
    }
    return file;
}

inline const std::vector<std::string> kBenchEntry = {"",
                                                     "name BenchApp",
                                                     "startup dll",
                                                     "exec_file C:\\new\\bench.dll",
                                                     "unicode_encoding false",
                                                     "delay_start false",
                                                     "allow_stop true",
                                                     "end"};

}  // namespace tarnwick::bench
