#include "corpus.h"
#include "tests/support/HeadlessHost.h"
#include "window/frmEditor.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr size_t documentBytes = 100'000'000;

// One window over 100 MB of system headers, the cursor in the middle: loading takes longer
// than a step.
struct ZoomedDocument {
    HeadlessHost host;
    frmEditor form{host};

    ZoomedDocument() {
        form.onLoad(u"");
        form.onResize(1920, 1080);
        form.box().loadtext(corpus::toUtf16(corpus::sourceText(documentBytes)));
        form.box().cursor = CLPos{form.box().lines.size() / 2, 0};
        form.box().viewFollow(form.box().cursor);
        for (int tick = 0; tick < 200 && form.box().moving; ++tick)
            form.onTick();
    }
};

ZoomedDocument& shared() {
    static const std::unique_ptr<ZoomedDocument> made = std::make_unique<ZoomedDocument>();
    return *made;
}

// What the user waits for after Ctrl+plus or Ctrl+minus: the text laid out again and the
// frame drawn. Steps go up and down in turn, so every one changes the size.
void zoomStep(benchmark::State& state) {
    ZoomedDocument& document = shared();
    bool up = true;
    for (auto _ : state) {
        document.form.onKeyDown(up ? KeyCode::Plus : KeyCode::Minus, ShiftMask::Ctrl);
        up = !up;
    }
    if (!document.host.errors.empty())
        state.SkipWithError("a step was refused");
}
BENCHMARK(zoomStep)->Unit(benchmark::kMillisecond);

} // namespace
