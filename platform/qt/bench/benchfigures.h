#pragma once

// What the whole-program benchmark and its peer share: clocks, medians, memory, output.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <sys/resource.h>

namespace bench {

class Stopwatch {
public:
    double milliseconds() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
};

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The most the process has held resident so far, file pages it touched included.
inline double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

inline double fileMegabytes(const char* path) {
    return static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

inline void print(const char* figure, double value) {
    std::printf("%s %.4f\n", figure, value);
    std::fflush(stdout);
}

} // namespace bench
