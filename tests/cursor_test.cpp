#include "loadedbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using enum CursorDirection;

std::u16string repeatLines(const std::u16string& line, int count) {
    std::u16string text;
    for (int k = 0; k < count; ++k)
        text += (k == 0 ? u"" : u"\n") + line;
    return text;
}

struct MoveRow {
    CLPos from; // with its remembered x
    CursorDirection dire;
    CLPos to;
    int beeps = 0;
};

TEST(CursorMoves, EdgesBeepsAndHomeTable) {
    // Cells: line 0 "ab" | pair | ""; line 1 "" | "" | "ab cd"; line 2 "" | ""; line 3 "  x".
    const std::u16string text = u"ab\t\U0001F600\t\n\t\tab cd\n\t\n  x";
    const std::vector<MoveRow> rows = {
        {{3, 0, 3, 7}, Right, {3, 0, 3}, 1},
        {{0, 0, 0, 7}, Left, {0, 0, 0}, 1},
        {{0, 0, 1, 7}, Up, {0, 0, 1, 7}, 1},   // the remembered x survives the beep
        {{3, 0, 1, 7}, Down, {3, 0, 1, 7}, 1}, // likewise
        {{3, 0, 1, 7}, PageDown, {3, 0, 1, 7}, 1},
        {{0, 0, 1, 7}, PageUp, {0, 0, 1, 7}, 1},
        {{0, 0, 1, 7}, End, {0, 2, 0}},
        {{0, 0, 1, 7}, TextEnd, {3, 0, 3}},
        {{3, 0, 1, 7}, TextStart, {0, 0, 0}},
        {{1, 2, 3, 7}, Home, {1, 2, 0}}, // first to the text's start...
        {{1, 2, 0}, Home, {1, 0, 0}},    // ...then to the line's
        {{1, 1, 0}, Home, {1, 0, 0}},    // from an empty cell before the text
        {{1, 0, 0}, Home, {1, 0, 0}},
        {{0, 2, 0}, Home, {0, 0, 0}},
        {{2, 1, 0}, Home, {2, 0, 0}}, // a line of empty cells
        {{3, 0, 2}, Home, {3, 0, 0}}, // leading spaces are text
        {{0, 1, 2, 7}, static_cast<CursorDirection>(10), {0, 1, 2, 7}},
    };
    for (const MoveRow& row : rows) {
        LoadedBox loaded(text);
        CLPos pos = row.from;
        loaded.box.cursorMove(pos, row.dire);
        EXPECT_EQ(pos, row.to) << "move " << static_cast<int>(row.dire) << " from "
                               << row.from.yLine << "," << row.from.xTab << "," << row.from.xChar;
        EXPECT_EQ(loaded.surface.beeps, row.beeps) << "move " << static_cast<int>(row.dire);
    }
}

TEST(VerticalMoves, RememberedXCarriesOverAShortLineAndBack) {
    LoadedBox loaded(u"abcdefghij\nab\nabcdefghij");
    CLPos pos{0, 0, 8};
    const std::vector<std::pair<CursorDirection, CLPos>> steps = {
        {Down, {1, 0, 2, 56}}, {Down, {2, 0, 8, 56}}, {Up, {1, 0, 2, 56}},
        {Up, {0, 0, 8, 56}},   {Right, {0, 0, 9}},
    };
    for (const auto& [dire, expected] : steps) {
        loaded.box.cursorMove(pos, dire);
        EXPECT_EQ(pos, expected) << "move " << static_cast<int>(dire);
    }
}

TEST(VerticalMoves, PagesMoveByTheViewHeight) {
    LoadedBox loaded(repeatLines(u"x", 50), 640, 160); // ten lines in view
    CLPos pos{0, 0, 1};
    const std::vector<std::pair<CursorDirection, int32_t>> steps = {
        {PageDown, 10}, {PageDown, 20}, {PageUp, 10}, {PageUp, 0},   {TextEnd, 49},
        {PageUp, 39},   {PageDown, 49}, {Up, 48},     {PageDown, 49}};
    for (const auto& [dire, line] : steps) {
        loaded.box.cursorMove(pos, dire);
        EXPECT_EQ(pos.yLine, line) << "move " << static_cast<int>(dire);
        EXPECT_EQ(pos.xChar, 1) << "move " << static_cast<int>(dire);
    }
}

TEST(ViewFollowing, BringsTheLineExactlyToTheEdges) {
    LoadedBox loaded(repeatLines(u"x", 50), 640, 160);
    CLBox& box = loaded.box;
    for (int k = 0; k < 9; ++k)
        box.cursorMove(box.cursor, Down);
    EXPECT_EQ(box.scrY, 0);
    box.moving = false;
    box.cursorMove(box.cursor, Down);
    EXPECT_EQ(box.scrY, 16); // line 10 ends on the bottom edge
    EXPECT_TRUE(box.moving);
    box.cursorMove(box.cursor, TextEnd);
    EXPECT_EQ(box.scrY, 640);
    for (int k = 0; k < 10; ++k)
        box.cursorMove(box.cursor, Up);
    EXPECT_EQ(box.scrY, 624); // line 39 starts on the top edge
}

TEST(ViewFollowing, FollowsXToOnePixelInsideTheRightEdge) {
    LoadedBox loaded(std::u16string(200, u'x'));
    CLBox& box = loaded.box;
    box.cursorMove(box.cursor, End);
    EXPECT_EQ(box.scrX, 200 * 7 - 640 + 1);
    box.cursorMove(box.cursor, Home);
    EXPECT_EQ(box.scrX, 0);
}

TEST(ViewFollowing, DeletingNearTheEndPullsTheViewBack) {
    LoadedBox loaded(repeatLines(u"x", 50), 640, 160);
    CLBox& box = loaded.box;
    box.cursorMove(box.cursor, TextEnd);
    box.insertChar(8, box.cursor); // the last line becomes empty, half height
    EXPECT_EQ(box.scrY, 49 * 16 + 8 - 160);
    box.insertChar(8, box.cursor); // and joins the line above
    EXPECT_EQ(box.scrY, 49 * 16 - 160);
}

TEST(ViewFollowing, TextShorterThanTheViewStandsAtTheTop) {
    LoadedBox loaded(u"a\nb");
    CLBox& box = loaded.box;
    box.scrY = 100;
    box.moving = false;
    box.cursorMove(box.cursor, Right);
    EXPECT_EQ(box.scrY, 0);
    EXPECT_TRUE(box.moving);
}

} // namespace
