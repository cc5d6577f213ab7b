#include "corpus.h"
#include "tests/support/HeadlessHost.h"
#include "textbox/CLBox.h"
#include "textbox/search.h"
#include "window/frmEditor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

constexpr size_t documentBytes = 100'000'000;

// The needles, each once, on the last line of 100 MB of system headers: an ASCII word
// whose first letter is the commonest of source text, so that many places begin like
// it, and a word whose first letter has cases outside ASCII.
const std::u16string asciiNeedle = u"endOfTheHaystack";
const std::u16string latinNeedle = u"\u00c9pilogue";

std::u16string haystack() {
    std::u16string text = corpus::toUtf16(corpus::sourceText(documentBytes));
    text += u"last line: " + asciiNeedle + u" " + latinNeedle + u"\n";
    return text;
}

// One window over the document, made once: loading 100 MB takes longer than a search.
struct Haystack {
    HeadlessHost host;
    frmEditor form{host};

    Haystack() {
        form.onLoad(u"");
        form.onResize(1920, 1080);
        form.box().loadtext(haystack());
        for (int tick = 0; tick < 200 && form.box().moving; ++tick)
            form.onTick();
    }
};

Haystack& shared() {
    static const std::unique_ptr<Haystack> made = std::make_unique<Haystack>();
    return *made;
}

const std::u16string& needleOf(const benchmark::State& state) {
    return state.range(0) == 0 ? asciiNeedle : latinNeedle;
}

// The engine alone: from the start of the text to the match on its last line.
void findFromTheStartToTheEnd(benchmark::State& state) {
    CLBox& box = shared().form.box();
    const std::u16string& needle = needleOf(state);
    for (auto _ : state) {
        const auto match = findText(box, needle, CLPos{}, SearchDirection::Forward);
        if (!match || match->yLine != box.lines.size() - 2)
            state.SkipWithError("the match was not found on the last line");
        benchmark::DoNotOptimize(match);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(documentBytes));
}
BENCHMARK(findFromTheStartToTheEnd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the user waits for: Ctrl+F answered, the search and the cursor at the match, its
// ticks included should the search outlast the key's handler; back at the start between
// runs, the glides left out.
void ctrlFThroughTheWindow(benchmark::State& state) {
    Haystack& haystack = shared();
    CLBox& box = haystack.form.box();
    const int32_t matchLine = box.lines.size() - 2;
    for (auto _ : state) {
        state.PauseTiming();
        box.cursor = CLPos{};
        box.viewFollow(box.cursor);
        for (int tick = 0; tick < 200 && box.moving; ++tick)
            haystack.form.onTick();
        haystack.host.answers = {needleOf(state)};
        haystack.host.surface.calls.clear();
        state.ResumeTiming();
        haystack.form.onKeyDown(letterKey('F'), ShiftMask::Ctrl);
        for (int tick = 0; tick < 1000 && box.cursor.yLine != matchLine; ++tick)
            haystack.form.onTick();
        if (box.cursor.yLine != matchLine)
            state.SkipWithError("the window did not go to the match");
    }
}
BENCHMARK(ctrlFThroughTheWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
