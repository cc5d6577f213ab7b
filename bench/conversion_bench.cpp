// Each conversion between cells and space-aligned text over the whole of a 100 MB source
// text, taken from the command palette as a user would: the text read, converted, and put
// in as one change with its history step. The glide, and the undo that takes the change back
// for the next round, are not timed.
#include "bench/corpus.h"
#include "bench/sourcewindow.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void convertTheWholeText(benchmark::State& state, const std::u16string& command) {
    const auto documentBytes = static_cast<size_t>(state.range(0)) << 20;
    HeadlessWindow window;
    openSourceText(window, documentBytes);
    const std::u16string before = window.text();
    for (auto _ : state) {
        window.host.listAnswers.push_back({command});
        window.form.onKeyDown(letterKey('P'), ShiftMask::Ctrl | ShiftMask::Shift);
        undoUntimed(state, window);
    }
    if (!window.host.errors.empty() || window.text() != before)
        state.SkipWithError("the window reported an error, or undo did not give the text back");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(documentBytes));
}

void columnsToSpaces(benchmark::State& state) {
    convertTheWholeText(state, u"columns to spaces");
}
void spacesToColumns(benchmark::State& state) {
    convertTheWholeText(state, u"spaces to columns");
}
BENCHMARK(columnsToSpaces)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(spacesToColumns)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
