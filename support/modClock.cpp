#include "support/modClock.h"

#include "support/EngineError.h"
#include "support/systemcalls.h"

#include <array>
#include <cstdio>
#include <string>

namespace {
// The stopwatch stack is module state: one program, one window thread.
struct Stopwatches {
    double frequency = 0;
    std::array<double, 101> startTicks{};
    std::array<std::string, 101> labels;
    int depth = 0;
};

Stopwatches& stopwatches() {
    static Stopwatches instance;
    return instance;
}

double counterNow() {
    return static_cast<double>(systemcalls::queryPerformanceCounter());
}
} // namespace

namespace modClock {

void clockStart(std::string_view label) {
    Stopwatches& s = stopwatches();
    if (s.depth >= static_cast<int>(s.labels.size()))
        throw EngineError(ErrorNumber::OutOfRange,
                          "subscript out of range: more than 101 stopwatches open");
    if (s.frequency == 0)
        s.frequency = static_cast<double>(systemcalls::queryPerformanceFrequency());
    s.startTicks[static_cast<size_t>(s.depth)] = counterNow();
    s.labels[static_cast<size_t>(s.depth)] = label;
    ++s.depth;
}

double clockStop(std::string_view label, bool report) {
    Stopwatches& s = stopwatches();
    if (s.depth == 0)
        raiseOutOfRange("no stopwatch is open to stop \"" + std::string(label) + "\"");
    --s.depth; // popped before the label check, so a mismatch leaves it closed
    const auto at = static_cast<size_t>(s.depth);
    if (s.labels[at] != label)
        throw EngineError(ErrorNumber::BadArgument, "invalid procedure call: stopwatch \"" +
                                                        s.labels[at] + "\" stopped as \"" +
                                                        std::string(label) + "\"");
    const double seconds = (counterNow() - s.startTicks[at]) / s.frequency;
    if (report) {
        // The trace text is made and discarded: nothing in the window shows it.
        std::array<char, 64> trace{};
        std::snprintf(trace.data(), trace.size(), "%.2fms ", seconds * 1000);
    }
    return seconds;
}

int openStopwatches() {
    return stopwatches().depth;
}

} // namespace modClock
