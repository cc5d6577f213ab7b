#pragma once

// What every whole-program benchmark shares, ours on each platform and the peer: the window,
// the rounds, clocks, medians and output. Peak memory is read the platform's own way.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace bench {

constexpr int windowWidth = 1920, windowHeight = 1080;
constexpr int keystrokes = 200, ticks = 200;

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

// The median time of step(round) over rounds 0 .. rounds - 1.
template <class Step> double medianMilliseconds(int rounds, Step&& step) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const Stopwatch stopwatch;
        step(round);
        times.push_back(stopwatch.milliseconds());
    }
    return median(times);
}

// Even keystrokes type a letter and odd ones take it back, so the text ends as it began.
inline bool typesLetter(int keystroke) {
    return keystroke % 2 == 0;
}

inline double fileMegabytes(const char* path) {
    return static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

inline void print(const char* figure, double value) {
    std::printf("%s %.4f\n", figure, value);
    std::fflush(stdout);
}

// The figures of opening a file of fileMegabytes; residentGrowth is the peak resident memory
// after the first frame less the peak before opening, in MB.
inline void printOpening(double lines, double fileMegabytes, double openMilliseconds,
                         double residentGrowth) {
    print("lines", lines);
    print("open_ms", openMilliseconds);
    print("open_MBps", fileMegabytes / (openMilliseconds / 1000));
    print("memory_MB_per_MB", residentGrowth / fileMegabytes);
}

} // namespace bench
