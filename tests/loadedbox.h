#pragma once

#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <string_view>

// A box bound to a headless surface (7 px per character, 16 px per line), holding a
// text laid out as a render would lay out every line.
struct LoadedBox {
    HeadlessSurface surface;
    CLBox box;

    explicit LoadedBox(std::u16string_view text, double viewWidth = 640, double viewHeight = 480)
        : surface(viewWidth, viewHeight) {
        box.bind(surface);
        box.loadtext(text);
        layOutColumns();
    }
    void layOutColumns() { box.updateWidth(0, box.lines.size()); }
    const CLLine& line(int32_t l) const { return *box.lines.at(l); }
    const CLTab& cell(int32_t l, int32_t i) const { return *line(l).tabs.at(i); }
};
