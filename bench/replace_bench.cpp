#include "corpus.h"
#include "tests/support/HeadlessHost.h"
#include "textbox/CLBox.h"
#include "window/frmEditor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t documentBytes = 100'000'000;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One window over 100 MB of system headers, made once, and the resident memory the document
// took: loading it costs more than a Replace all.
struct Document {
    HeadlessHost host;
    frmEditor form{host};
    double documentBytes = 0;

    Document() {
        form.onLoad(u"");
        form.onResize(1920, 1080);
        form.box().loadtext(u"");
        const int64_t before = corpus::residentBytes();
        form.box().loadtext(corpus::toUtf16(corpus::sourceText(::documentBytes)));
        settle();
        documentBytes = static_cast<double>(corpus::residentBytes() - before);
    }
    void settle() {
        for (int tick = 0; tick < 200 && form.box().moving; ++tick)
            form.onTick();
    }
    // A key press half-way down, with its frame, then undone: the median of a few.
    double keystrokeSeconds() {
        CLBox& box = form.box();
        std::vector<double> times;
        for (int k = 0; k < 21; ++k) {
            box.cursor = CLPos{box.lines.size() / 2 + k};
            box.viewFollow(box.cursor);
            settle();
            const auto start = Clock::now();
            form.onKeyPress(U'x');
            times.push_back(secondsSince(start));
            form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
        }
        std::nth_element(times.begin(), times.begin() + 10, times.end());
        return times[10];
    }
};

Document& shared() {
    static const std::unique_ptr<Document> made = std::make_unique<Document>();
    return *made;
}

// What the user waits for: Replace all of "int" by "long" through the window, its ticks
// included should it outlast the button's handler, then Ctrl+Z; the peak resident memory
// of both against the document's own, and a keystroke before and after.
void replaceIntByLongAndUndo(benchmark::State& state) {
    Document& document = shared();
    const double keystrokeBefore = document.keystrokeSeconds();
    const int64_t beforeReplacing = corpus::residentBytes();
    double replacing = 1e9, undoing = 1e9, peak = 0, keystrokeAfter = 0;
    double replacingCpu = 1e9;
    bool peakMeasured = false;
    std::u16string replaced;
    for (auto _ : state) {
        document.host.replaceDialogMessages.clear();
        corpus::resetPeak();
        const auto start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        document.form.onReplaceDialog({{u"int", u"long", false, false}, ReplaceButton::ReplaceAll});
        const auto told = [&] { // the dialog's message is cleared as the button is handled
            const auto& messages = document.host.replaceDialogMessages;
            return !messages.empty() && !messages.back().empty();
        };
        for (int tick = 0; tick < 100000 && !told(); ++tick)
            document.form.onTick();
        replacing = std::min(replacing, secondsSince(start));
        // On a shared machine the wall clock counts other programs' turns too.
        replacingCpu =
            std::min(replacingCpu, static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        if (!told()) {
            state.SkipWithError("the Replace all did not end");
            return;
        }
        replaced = document.host.replaceDialogMessages.back();
        keystrokeAfter = document.keystrokeSeconds();
        const auto undoStart = Clock::now();
        document.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
        undoing = std::min(undoing, secondsSince(undoStart));
        if (!peakMeasured) // later rounds start over memory the allocator kept from the first
            peak = static_cast<double>(corpus::peakBytes() - beforeReplacing);
        peakMeasured = true;
        document.settle();
    }
    const std::string matches(replaced.begin(), replaced.begin() + replaced.find(u' '));
    state.counters["matches"] = std::stod(matches.empty() ? "0" : matches);
    state.counters["replaceSeconds"] = replacing;
    state.counters["replaceCpuSeconds"] = replacingCpu;
    state.counters["undoSeconds"] = undoing;
    state.counters["documentMB"] = document.documentBytes / 1e6;
    state.counters["peakRatio"] = (document.documentBytes + peak) / document.documentBytes;
    state.counters["keystrokeBeforeMs"] = keystrokeBefore * 1e3;
    state.counters["keystrokeAfterMs"] = keystrokeAfter * 1e3;
}
BENCHMARK(replaceIntByLongAndUndo)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
