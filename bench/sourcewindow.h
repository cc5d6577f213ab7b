#pragma once

#include "bench/corpus.h"
#include "tests/support/HeadlessWindow.h"

#include <benchmark/benchmark.h>

#include <cstddef>

// The window at a full-HD size over textBytes of source code (corpus::sourceText), settled:
// where the whole-window benchmarks start.
inline void openSourceText(HeadlessWindow& window, size_t textBytes) {
    window.host.surface.resize(1920, 1080);
    window.form.onResize(1920, 1080);
    window.box().loadtext(corpus::toUtf16(corpus::sourceText(textBytes)));
    window.settle();
}

// Outside the time: the glide after a timed change, and the undo that takes it back for the
// next round.
inline void undoUntimed(benchmark::State& state, HeadlessWindow& window) {
    state.PauseTiming();
    window.settle();
    window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
    window.settle();
    window.host.surface.calls.clear();
    state.ResumeTiming();
}
