#include "textbox/colourscheme.h"

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

} // namespace
