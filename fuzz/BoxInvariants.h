#pragma once

#include "support/Rounding.h"
#include "support/Utf16.h"
#include "textbox/CLBox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// What every fuzz target demands of a box after any operation. A broken rule aborts,
// so libFuzzer keeps the input.
// Names the broken rule on the way out, so a finding explains itself.
#define FUZZ_CHECK(condition) fuzzcheck::require((condition), #condition, __FILE__, __LINE__)

namespace fuzzcheck {

inline void require(bool ok, const char* condition, const char* file, int line) {
    if (ok)
        return;
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, condition);
    std::abort();
}

// Every line has a cell, line weights are heights, cell weights are widths, no cell
// holds a separator, a line's last cell (no tab ends it) has the form Tab, and every inner
// width is the text as the surface measures it now.
inline void checkDocument(CLBox& box, Surface& surface) {
    FUZZ_CHECK(box.lines.size() >= 1);
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        FUZZ_CHECK(line.tabs.size() >= 1);
        FUZZ_CHECK(box.lines.wei(l) == line.height);
        for (int32_t i = 0; i < line.tabs.size(); ++i) {
            const CLTab& cell = *line.tabs.at(i);
            FUZZ_CHECK(line.tabs.wei(i) == cell.width);
            const std::u16string_view text = cell.text;
            FUZZ_CHECK(text.find(u'\t') == std::u16string_view::npos);
            FUZZ_CHECK(text.find(u'\n') == std::u16string_view::npos);
            FUZZ_CHECK(i + 1 < line.tabs.size() || cell.form() == IndentForm::Tab);
            FUZZ_CHECK(cell.innerWidth == roundToPixel(surface.textWidth(text)));
        }
    }
}

// Inside the document, and never between the halves of a surrogate pair.
inline void checkPosition(const CLBox& box, const CLPos& pos) {
    FUZZ_CHECK(pos.yLine >= 0 && pos.yLine < box.lines.size());
    const CLLine& line = *box.lines.at(pos.yLine);
    FUZZ_CHECK(pos.xTab >= 0 && pos.xTab < line.tabs.size());
    const std::u16string_view text = line.tabs.at(pos.xTab)->text;
    FUZZ_CHECK(pos.xChar >= 0 && static_cast<size_t>(pos.xChar) <= text.size());
    FUZZ_CHECK(!insideSurrogatePair(text, pos.xChar));
}

} // namespace fuzzcheck
