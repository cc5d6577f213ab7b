#pragma once

#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <string>
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

// The text with every tab written as a tab, whatever its form: for the tests that model the
// cells but not their forms.
inline std::u16string tabbedTextOf(const CLBox& box) {
    std::u16string text;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            text += line.tabs.at(t)->text.view();
            text += t + 1 < line.tabs.size() ? std::u16string_view(u"\t") : line.lineEnd.view();
        }
    }
    return text;
}
