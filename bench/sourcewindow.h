#pragma once

#include "bench/corpus.h"
#include "tests/support/HeadlessWindow.h"

#include <cstddef>

// The window at a full-HD size over textBytes of source code (corpus::sourceText), settled:
// where the whole-window benchmarks start.
inline void openSourceText(HeadlessWindow& window, size_t textBytes) {
    window.host.surface.resize(1920, 1080);
    window.form.onResize(1920, 1080);
    window.box().loadtext(corpus::toUtf16(corpus::sourceText(textBytes)));
    window.settle();
}
