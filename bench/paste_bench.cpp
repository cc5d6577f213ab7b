// Pasting 10 MB of source code into the middle of a 100 MB document through the window's own
// Ctrl+V: the clipboard's text split into lines and cells, laid out and put in, the history's
// step, and the view's target moved to the paste's end. The glide there, and the undo that
// takes the paste out again for the next round, are not timed.
#include "bench/corpus.h"
#include "bench/sourcewindow.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// The pasting at sizes: documents and pastes in MB, a paste of a tenth of the document.
void pasteIntoTheMiddle(benchmark::State& state) {
    const auto documentBytes = static_cast<size_t>(state.range(0)) << 20;
    const auto pastedBytes = static_cast<size_t>(state.range(1)) << 20;
    HeadlessWindow window;
    openSourceText(window, documentBytes);
    const std::string pasted = corpus::sourceText(pastedBytes, "/usr/include/c++");
    window.host.clipboard = corpus::toUtf16(pasted);
    const int32_t middle = window.box().lines.size() / 2;
    for (auto _ : state) {
        window.box().cursor = CLPos{middle, 0, 0};
        window.form.onKeyDown(letterKey('V'), ShiftMask::Ctrl);
        undoUntimed(state, window);
    }
    if (!window.host.errors.empty())
        state.SkipWithError("the window reported an error");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pasted.size()));
}
BENCHMARK(pasteIntoTheMiddle)
    ->Args({1, 1})
    ->Args({100, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
