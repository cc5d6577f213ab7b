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
// holds a separator, and every inner width is the text as the surface measures it now.
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

// Each run of four leading spaces comes back as one tab; nothing else changes.
inline std::u16string expectedRoundTrip(const std::u16string& text) {
    std::u16string out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(u'\n', start);
        const std::u16string line =
            text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        const size_t spaces = std::min(line.find_first_not_of(u' '), line.size());
        out.append(spaces / 4, u'\t');
        out += line.substr(spaces / 4 * 4);
        if (end == std::u16string::npos)
            return out;
        out += u'\n';
        start = end + 1;
    }
}

} // namespace fuzzcheck
