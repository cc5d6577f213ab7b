#include "corpus.h"
#include "tests/support/HeadlessHost.h"
#include "window/frmEditor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>

namespace {

constexpr size_t documentBytes = 100'000'000;

// One window over 100 MB of system headers, its accessible text built once: a screen
// reader's first question costs one pass over the lines, timed here and given as a counter.
struct ReadDocument {
    HeadlessHost host;
    frmEditor form{host};
    double firstQuestionMilliseconds = 0;

    ReadDocument() {
        form.onLoad(u"");
        form.onResize(1920, 1080);
        form.box().loadtext(corpus::toUtf16(corpus::sourceText(documentBytes)));
        for (int tick = 0; tick < 200 && form.box().moving; ++tick)
            form.onTick();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(form.accessibleDocument().characterCount());
        firstQuestionMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
};

ReadDocument& shared() {
    static const std::unique_ptr<ReadDocument> made = std::make_unique<ReadDocument>();
    return *made;
}

// What a reader asks as the user moves: the character, word or line at an offset anywhere in
// the text, with its text.
void unitAtAnOffset(benchmark::State& state) {
    ReadDocument& document = shared();
    const auto unit = static_cast<TextUnit>(state.range(0));
    std::mt19937 random(28);
    for (auto _ : state) {
        const AccessibleDocument read = document.form.accessibleDocument();
        const auto offset =
            static_cast<int32_t>(random() % static_cast<uint32_t>(read.characterCount()));
        benchmark::DoNotOptimize(read.text(read.unitAt(offset, unit)));
    }
    state.counters["first_question_ms"] = document.firstQuestionMilliseconds;
}
BENCHMARK(unitAtAnOffset)
    ->Arg(static_cast<int>(TextUnit::Character))
    ->Arg(static_cast<int>(TextUnit::Word))
    ->Arg(static_cast<int>(TextUnit::Line))
    ->Unit(benchmark::kMicrosecond);

} // namespace
