#include "tests/support/HeadlessWindow.h"
#include "textbox/colourscheme.h"
#include "textbox/selection.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

constexpr int32_t white = packedColour(255, 255, 255), black = 0;

// WCAG 2's own examples: black on white is 21:1, a colour against itself 1:1, and the grey
// that just passes on white about 4.5:1.
TEST(ColourContrast, MatchesTheKnownRatios) {
    EXPECT_DOUBLE_EQ(contrastRatio(black, white), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(white, white), 1.0);
    EXPECT_NEAR(contrastRatio(packedColour(118, 118, 118), white), 4.54, 0.01);
}

// The default light window keeps the design's colours; a dark theme gets ours; high contrast
// and any other window take the system's, and in every scheme the cursor is in the text's
// colour, the two tints differ from each other and from the window, and the text keeps
// 4.5:1 against both, inside the selection too.
TEST(ColourSchemes, KeepTheTextReadableOnEveryTint) {
    struct Row {
        const char* scheme;
        SystemColours system;
    };
    const std::vector<Row> rows = {
        {"default light", {white, black, packedColour(0, 120, 215), white, false, false}},
        {"dark apps", {white, black, packedColour(0, 120, 215), white, false, true}},
        {"black window",
         {black, packedColour(255, 255, 255), packedColour(0, 120, 215), white, false, false}},
        {"high contrast black", {black, white, packedColour(26, 235, 255), black, true, false}},
        {"high contrast white", {white, black, packedColour(55, 0, 110), white, true, true}},
        {"dim grey",
         {packedColour(90, 90, 90), white, packedColour(0, 0, 128), white, false, false}},
    };
    for (const Row& row : rows) {
        const ColourScheme scheme = schemeFor(row.system);
        EXPECT_EQ(scheme.cursor, scheme.text) << row.scheme;
        for (const auto& [background, ink, odd, even] :
             {std::tuple{scheme.window, scheme.text, scheme.tintOdd, scheme.tintEven},
              std::tuple{scheme.selection, scheme.selectedText, scheme.selectedTintOdd,
                         scheme.selectedTintEven}}) {
            EXPECT_NE(odd, even) << row.scheme;
            EXPECT_NE(even, background) << row.scheme;
            EXPECT_GE(contrastRatio(ink, odd), 4.5) << row.scheme;
            EXPECT_GE(contrastRatio(ink, even), 4.5) << row.scheme;
        }
    }
    EXPECT_EQ(schemeFor(rows[0].system), lightScheme());
    EXPECT_EQ(schemeFor(rows[1].system), darkScheme());
    EXPECT_EQ(schemeFor(rows[2].system).window, black);
    EXPECT_EQ(schemeFor(rows[4].system).selection, packedColour(55, 0, 110));
}

// Frames in a dark and a high-contrast scheme, through the window: the background, the
// text, the selection and the text in it, the tints and the cursor all take the scheme's
// colours, a cell the selection holds in part printed in two; the light default draws as
// the design does.
TEST(ColourSchemes, FramesAreDrawnInTheScheme) {
    const std::vector<SystemColours> schemes = {
        {packedColour(32, 32, 32), packedColour(230, 230, 230), packedColour(0, 90, 160), white,
         false, false},
        {black, white, packedColour(26, 235, 255), black, true, false},
        {white, black, packedColour(0, 120, 215), white, false, false}};
    for (const SystemColours& system : schemes) {
        HeadlessWindow window;
        window.box().loadtext(u"\t\tab\tcd\nef\n");
        window.form.onColoursChanged(system);
        setSelection(window.box(), CLPos{1, 0, 0}, CLPos{1, 0, 1}); // "e" of "ef"
        window.settle();
        HeadlessSurface& surface = window.host.surface;
        surface.calls.clear();
        window.form.onResize(windowDesign::startWidth, windowDesign::startHeight + 1);
        const ColourScheme scheme = schemeFor(system);
        using Call = HeadlessSurface::Call;
        ASSERT_FALSE(surface.callsOf(Call::Clear).empty());
        EXPECT_EQ(surface.callsOf(Call::Clear).back().colour, scheme.window);
        std::vector<std::pair<std::u16string, int32_t>> printed;
        for (const auto& call : surface.callsOf(Call::Print))
            printed.emplace_back(call.text, call.colour);
        const bool split = scheme.selectedText != scheme.text;
        const std::vector<std::pair<std::u16string, int32_t>> expected =
            split ? std::vector<std::pair<std::u16string, int32_t>>{{u"ab", scheme.text},
                                                                    {u"cd", scheme.text},
                                                                    {u"e", scheme.selectedText},
                                                                    {u"f", scheme.text}}
                  : std::vector<std::pair<std::u16string, int32_t>>{
                        {u"ab", scheme.text}, {u"cd", scheme.text}, {u"ef", scheme.text}};
        EXPECT_EQ(printed, expected);
        std::vector<int32_t> fills;
        for (const auto& call : surface.callsOf(Call::Fill))
            fills.push_back(call.colour);
        EXPECT_EQ(fills, (std::vector<int32_t>{scheme.tintEven, scheme.tintOdd, scheme.selection}));
        ASSERT_FALSE(surface.callsOf(Call::Line).empty());
        EXPECT_EQ(surface.callsOf(Call::Line).back().colour, scheme.text);
    }
}

} // namespace
