#pragma once

#include "randomtext.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include "support/Utf16.h"

#include <optional>
#include <string>
#include <string_view>

// Widths that differ by character, in quarter pixels, so the headless surface promises
// their sums: long texts are then measured and printed by their pieces.
inline double quarterAdvance(char16_t unit) {
    return isSurrogate(unit) ? 3.25 : 4.5 + (unit % 7) * 0.75;
}

// A headless surface that promises no sums, so a box on it measures and prints every text
// whole: the model for the pieces of long texts.
struct WholeTextSurface : HeadlessSurface {
    using HeadlessSurface::HeadlessSurface;
    std::optional<double> advancesWidth(std::u16string_view) override { return std::nullopt; }
};

// The same text in a box measured by pieces and in one measured whole, same advances.
struct TwinBoxes {
    HeadlessSurface pieceSurface{320, 160};
    WholeTextSurface wholeSurface{320, 160};
    CLBox pieces, whole;

    explicit TwinBoxes(std::u16string_view text) {
        for (auto [surface, box] : {std::pair<HeadlessSurface*, CLBox*>{&pieceSurface, &pieces},
                                    {&wholeSurface, &whole}}) {
            surface->advance = quarterAdvance;
            box->bind(*surface);
            box->loadtext(text);
            box->updateWidth(0, box->lines.size());
        }
    }
};

// Lines far longer than a cell is short, with tabs, empty lines, astral characters and
// the characters of empty lines among ordinary ones.
inline std::u16string longLinesText(Picker& picker, int32_t lines, int32_t unitsPerLine) {
    static const std::vector<std::u16string> alphabet = {
        u"a", u"bc", u"xyz", u" ", u"{", u"}", u"\"k\":", u"\u00e9", u"\U0001F600", u"0.5,"};
    std::u16string text;
    for (int32_t l = 0; l < lines; ++l) {
        const auto end = text.size() + static_cast<size_t>(unitsPerLine);
        while (text.size() < end)
            text += picker.pick(0, 3000) == 0 ? u"\t" : picker.oneOf(alphabet);
        text += picker.pick(0, 2) == 0 ? u"\n{}\n" : u"\n";
    }
    return text;
}
