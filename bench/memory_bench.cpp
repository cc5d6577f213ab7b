#include "corpus.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

// Loads the text and draws the first frame of a full-HD view. MB/s counts the UTF-8 size
// of the text; peakPerMB is the resident memory the UTF-16 text and the document need at
// their peak, per MB of that text.
void loadThenFirstFrame(benchmark::State& state, const std::string& bytes) {
    const std::u16string decoded = corpus::toUtf16(bytes);
    HeadlessSurface surface(1920, 1080, 7, 16);
    surface.calls.reserve(1 << 16);
    CLBox box;
    box.bind(surface);
    double worstPeak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        box.loadtext(u"");
        surface.calls.clear();
        const int64_t baseline = corpus::residentBytes();
        corpus::resetPeak();
        std::u16string text = decoded;
        state.ResumeTiming();
        box.loadtext(std::move(text));
        box.render();
        state.PauseTiming();
        const double peak = static_cast<double>(corpus::peakBytes() - baseline);
        worstPeak = std::max(worstPeak, peak / static_cast<double>(bytes.size()));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
    state.counters["lines"] = static_cast<double>(box.lines.size());
    state.counters["peakPerMB"] = worstPeak;
}
// Real source code, of range(0) MB.
void loadSourceThenFirstFrame(benchmark::State& state) {
    loadThenFirstFrame(state, corpus::sourceText(static_cast<size_t>(state.range(0)) << 20));
}
BENCHMARK(loadSourceThenFirstFrame)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A table of short cells, where records once outweighed the text (peakPerMB at most 5.5).
void loadTableThenFirstFrame(benchmark::State& state) {
    loadThenFirstFrame(state, corpus::tableText(static_cast<size_t>(state.range(0)) << 20));
}
BENCHMARK(loadTableThenFirstFrame)
    ->Arg(10)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
