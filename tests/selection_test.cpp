#include "textbox/selection.h"

#include "tests/support/HeadlessWindow.h"

#include "loadedbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Call = HeadlessSurface::Call;

constexpr int32_t selectionColour = 180 + 256 * 213 + 65536 * 255;
constexpr int32_t evenTint = 16777199, oddTint = 16777183;
constexpr int32_t selectedEvenTint = 160 + 256 * 200 + 65536 * 245;
constexpr int32_t selectedOddTint = 140 + 256 * 186 + 65536 * 235;

TEST(Selection, RunsFromTheAnchorToTheCursorEitherWay) {
    LoadedBox loaded(u"ab\tcd\nef");
    CLBox& box = loaded.box;
    EXPECT_FALSE(selectedRange(box));
    setSelection(box, CLPos{1, 0, 1}, CLPos{0, 0, 1, 40});
    EXPECT_EQ(box.cursor, (CLPos{0, 0, 1, -1}));
    EXPECT_EQ(selectedRange(box), (TextRange{{0, 0, 1}, {1, 0, 1}}));
    EXPECT_FALSE(isSelected(box, CLPos{0, 0, 0}));
    EXPECT_TRUE(isSelected(box, CLPos{0, 0, 1}));
    EXPECT_TRUE(isSelected(box, CLPos{1, 0, 0}));
    EXPECT_FALSE(isSelected(box, CLPos{1, 0, 1})); // the end: the character after it is not
    setSelection(box, CLPos{0, 1, 1}, CLPos{0, 1, 1});
    EXPECT_FALSE(selectedRange(box)); // an anchor at the cursor selects nothing
    setSelection(box, CLPos{5, 0, 0}, CLPos{0, 0, 0});
    EXPECT_FALSE(selectedRange(box)); // nor one the text no longer holds
    setSelection(box, CLPos{0, 0, 0}, CLPos{1, 0, 2});
    box.loadtext(u"x");
    EXPECT_FALSE(selectedRange(box)); // loading ends it
}

TEST(Selection, AWordIsARunOfOneKindWithinItsCell) {
    struct Row {
        std::u16string text;
        int32_t at;
        Side side;
        int32_t start, end;
    };
    const std::vector<Row> rows = {
        {u"foo bar", 1, Side::After, 0, 3},
        {u"foo bar", 3, Side::Before, 0, 3},
        {u"foo bar", 3, Side::After, 3, 4},
        {u"foo  bar", 7, Side::After, 5, 8},
        {u"a_1\u00e9\U0001F600 x", 2, Side::After, 0, 6},
        {u"x==y", 2, Side::After, 1, 3},
        {u"end", 3, Side::After, 0, 3},
        {u"", 0, Side::After, 0, 0},
    };
    for (const Row& row : rows) {
        LoadedBox loaded(u"\t" + row.text + u"\tnext");
        const TextRange word = wordAt(loaded.box, CLPos{0, 1, row.at}, row.side);
        EXPECT_EQ(word, (TextRange{{0, 1, row.start}, {0, 1, row.end}}))
            << testing::PrintToString(row.text) << " at " << row.at;
    }
}

TEST(Selection, WholeTextEndsAtTheLastLinesEnd) {
    LoadedBox loaded(u"a\n\tbc");
    EXPECT_EQ(wholeText(loaded.box), (TextRange{{0, 0, 0}, {1, 1, 2}}));
}

// Behind the text: one highlight per line, drawn before its cells; the empty cells in it
// keep two shades, bluer; lines and cells outside it are drawn as without a selection.
TEST(SelectionDrawing, HighlightsBehindTheTextAndKeepsTheTintsApart) {
    LoadedBox loaded(u"\t\tx\n\t\tyz\nw");
    CLBox& box = loaded.box;
    setSelection(box, CLPos{0, 2, 1}, CLPos{1, 2, 1});
    loaded.surface.calls.clear();
    box.render();
    std::vector<HeadlessSurface::DrawCall> fills = loaded.surface.callsOf(Call::Fill);
    const auto prints = loaded.surface.callsOf(Call::Print);
    ASSERT_EQ(fills.size(), 6u);
    // Line 0, from after "x" to its end and a space more; its tints as without a selection.
    EXPECT_EQ(fills[0].colour, selectionColour);
    EXPECT_EQ(fills[0].x0, box.posToXY(CLPos{0, 2, 1}).x);
    EXPECT_EQ(fills[0].x1, box.lines.at(0)->tabs.weiacc(3) + box.spaceWidth - 1);
    EXPECT_EQ(fills[1].colour, evenTint);
    EXPECT_EQ(fills[2].colour, oddTint);
    // Line 1, from its start to after "y": both empty cells in it.
    EXPECT_EQ(fills[3].colour, selectionColour);
    EXPECT_EQ(fills[3].x0, 0);
    EXPECT_EQ(fills[3].x1, box.posToXY(CLPos{1, 2, 1}).x - 1);
    EXPECT_EQ(fills[4].colour, selectedEvenTint);
    EXPECT_EQ(fills[5].colour, selectedOddTint);
    // Every highlight before the text of its line.
    size_t highlight = 0;
    for (size_t k = 0; k < loaded.surface.calls.size(); ++k) {
        const auto& call = loaded.surface.calls[k];
        if (call.kind == Call::Fill && call.colour == selectionColour)
            highlight = k;
        if (call.kind == Call::Print && call.text == u"yz") {
            EXPECT_GT(k, highlight);
        }
    }
    EXPECT_EQ(prints.size(), 3u);
}

// The highlight's measuring happens before the line's own font is set: an empty line's
// text is still drawn in its half-size font.
TEST(SelectionDrawing, AnEmptyLineKeepsItsSmallFont) {
    LoadedBox loaded(u"}\nab");
    setSelection(loaded.box, CLPos{0, 0, 0}, CLPos{1, 0, 1});
    loaded.surface.calls.clear();
    loaded.box.render();
    const auto prints = loaded.surface.callsOf(Call::Print);
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].fontSize, 4.5);
    EXPECT_EQ(prints[1].fontSize, 9);
}

using Window = HeadlessWindow;

// Pressed, moved and released: from where the button went down to where the pointer is;
// the click itself places the cursor as before, and the next click ends the selection.
TEST(DragSelection, SelectsFromThePressToThePointer) {
    Window window;
    window.box().loadtext(u"abcdef\nghij");
    window.settle();
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 8, 2);
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 1}));
    EXPECT_FALSE(selectedRange(window.box()));
    window.form.onMouseMove(MouseButton::Left, ShiftMask::None, 22, 18);
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 1}, {1, 0, 3}}));
    window.form.onMouseMove(MouseButton::Left, ShiftMask::None, 1, 1); // back before the press
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 0}, {0, 0, 1}}));
    window.form.onMouseUp(MouseButton::Left, ShiftMask::None, 1, 1);
    window.form.onMouseMove(MouseButton::None, ShiftMask::None, 30, 18); // released: nothing
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 0}, {0, 0, 1}}));
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 30, 18);
    EXPECT_FALSE(selectedRange(window.box()));
}

// Held below the view, the selection goes on down the text as the view follows it.
TEST(DragSelection, TheViewFollowsThePointerPastTheEdge) {
    Window window;
    window.box().loadtext(manyLines(100));
    window.settle();
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 3, 3);
    window.form.onMouseMove(MouseButton::Left, ShiftMask::None, 3, 250);
    for (int tick = 0; tick < 100; ++tick)
        window.form.onTick();
    EXPECT_GT(window.box().scrY, 100);
    EXPECT_GT(window.box().cursor.yLine, 20);
    EXPECT_EQ(selectedRange(window.box())->start, (CLPos{0, 0, 0}));
    window.form.onMouseUp(MouseButton::Left, ShiftMask::None, 3, 250);
    const CLPos end = window.box().cursor;
    window.settle();
    EXPECT_EQ(window.box().cursor, end); // released, it stops
}

TEST(DragSelection, ADoubleClickSelectsTheWordUnderThePointer) {
    Window window;
    window.box().loadtext(u"one two three");
    window.settle();
    window.form.onDoubleClick(MouseButton::Left, ShiftMask::None, 38, 3); // the "w" of "two"
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 4}, {0, 0, 7}}));
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 7}));
}

// The design's keys and buttons keep their meaning: Shift+arrows move like the arrows and
// end the selection, and a right click still asks for the font.
TEST(DragSelection, MovesAndClicksEndTheSelection) {
    Window window;
    window.box().loadtext(u"abc\ndef");
    window.settle();
    window.form.onKeyDown(KeyCode::A, ShiftMask::Ctrl);
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 0}, {1, 0, 3}}));
    EXPECT_EQ(window.box().cursor, (CLPos{1, 0, 3}));
    window.form.onKeyDown(KeyCode::Left, ShiftMask::Shift);
    EXPECT_FALSE(selectedRange(window.box()));
    EXPECT_EQ(window.box().cursor, (CLPos{1, 0, 2}));
    window.form.onKeyDown(KeyCode::A, ShiftMask::Ctrl);
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 5, 5);
    EXPECT_EQ(window.host.prompts.size(), 2u);
    EXPECT_FALSE(selectedRange(window.box()));
}

} // namespace
