// Win32 only: what the Windows benchmarks share: the clock, writing a file's bytes, the median.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/scoped_handle.h"

namespace tarnwick::bench {

// Seconds since some fixed moment.
inline double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Replaces the file at `path` with `bytes`.
inline void WriteBytes(const std::string& path, const std::string& bytes) {
    const win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace tarnwick::bench
