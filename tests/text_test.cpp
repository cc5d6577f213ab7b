#include "loadedbox.h"
#include "randomtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace std::literals;

// A line's cells, its end, and which of its cells have the form Spaces: loading gives it to
// the first `spaced` cells alone.
struct LineShape {
    std::vector<std::u16string> cells;
    std::u16string lineEnd;
    int32_t spaced = 0;
    bool operator==(const LineShape&) const = default;
};

std::vector<LineShape> shapeOf(const CLBox& box) {
    std::vector<LineShape> shape;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        LineShape row{{}, line.lineEnd};
        for (int32_t i = 0; i < line.tabs.size(); ++i) {
            row.cells.push_back(line.tabs.at(i)->text);
            if (line.tabs.at(i)->form() == IndentForm::Spaces)
                row.spaced = row.spaced == i ? i + 1 : -1; // -1: not all at the start
        }
        shape.push_back(row);
    }
    return shape;
}

TEST(TextLoading, SplitsLinesAndCellsAsDocumented) {
    struct Row {
        std::u16string text;
        std::vector<LineShape> shape;
        std::u16string extracted;
    };
    const std::vector<Row> rows = {
        {u"", {{{u""}, u""}}, u""},
        {u"a\tb\r\nc\n", {{{u"a", u"b"}, u"\r\n"}, {{u"c"}, u"\n"}, {{u""}, u""}}, u"a\tb\r\nc\n"},
        {u"      x", {{{u"", u"  x"}, u"", 1}}, u"      x"},
        {u"a\t", {{{u"a", u""}, u""}}, u"a\t"},
        {u"y\nz\r", {{{u"y"}, u"\n"}, {{u"z\r"}, u""}}, u"y\nz\r"},
        {u"a\rb", {{{u"a\rb"}, u""}}, u"a\rb"},
        {u"        ", {{{u"", u"", u""}, u"", 2}}, u"        "},
        {u"    \t    ", {{{u"", u"", u"    "}, u"", 1}}, u"    \t    "},
        {u"\t\t\r\n", {{{u"", u"", u""}, u"\r\n"}, {{u""}, u""}}, u"\t\t\r\n"},
        {u"\r\r\n", {{{u"\r"}, u"\r\n"}, {{u""}, u""}}, u"\r\r\n"},
        {u"   \t \n", {{{u"   ", u" "}, u"\n"}, {{u""}, u""}}, u"   \t \n"},
    };
    for (const Row& row : rows) {
        LoadedBox loaded(row.text);
        EXPECT_EQ(shapeOf(loaded.box), row.shape) << "loading " << row.text.size() << " units";
        EXPECT_EQ(loaded.box.gettext(), row.extracted);
    }
}

TEST(TextLoading, RandomTextsComeBackAsTheyWere) {
    Picker picker(20240603);
    int indented = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::u16string text = randomText(picker, picker.pick(0, 40));
        LoadedBox loaded(text);
        indented += loaded.box.lines.at(0)->tabs.at(0)->form() == IndentForm::Spaces;
        ASSERT_EQ(loaded.box.gettext(), text) << "round " << round;
        const auto breaks = std::count(text.begin(), text.end(), u'\n');
        ASSERT_EQ(loaded.box.lines.size(), breaks + 1) << "round " << round;
        for (const LineShape& line : shapeOf(loaded.box))
            for (const std::u16string& cell : line.cells)
                ASSERT_EQ(cell.find_first_of(u"\t\n"), std::u16string::npos) << "round " << round;
    }
    EXPECT_GT(indented, 50); // both kinds of text were drawn
    EXPECT_LT(indented, 2900);
}

// The documented split, the slow way: at every "\n", a trailing "\r" as the line end,
// each four leading spaces an empty cell, then the pieces between tabs.
std::vector<LineShape> slowShapeOf(std::u16string_view text) {
    std::vector<LineShape> shape;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find(u'\n', start), text.size());
        std::u16string piece(text.substr(start, end - start));
        LineShape line{{}, end == text.size() ? u"" : u"\n"};
        if (end != text.size() && !piece.empty() && piece.back() == u'\r') {
            piece.pop_back();
            line.lineEnd = u"\r\n";
        }
        for (; piece.starts_with(u"    "); ++line.spaced) {
            line.cells.emplace_back();
            piece.erase(0, 4);
        }
        for (size_t tab; (tab = piece.find(u'\t')) != std::u16string::npos; piece.erase(0, tab + 1))
            line.cells.push_back(piece.substr(0, tab));
        line.cells.push_back(piece);
        shape.push_back(line);
        if (end == text.size())
            return shape;
        start = end + 1;
    }
}

// Lines and tabs are found several units at a time; units that share a byte with a tab
// or a line feed, other control characters, and every length around a word must split
// exactly as the slow way does.
TEST(TextLoading, SplitMatchesTheSlowSplitOnAwkwardUnits) {
    const std::u16string_view alphabet = u"\t\n\r a\u010a\u0a0a\u0909\u001f\u0000\uff0a\u2009"sv;
    Picker picker(20261210);
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        for (int32_t k = picker.pick(0, 24); k > 0; --k)
            text += alphabet[static_cast<size_t>(
                picker.pick(0, static_cast<int32_t>(alphabet.size()) - 1))];
        if (picker.pick(0, 3) == 0)
            text = u"    " + text; // indentation before the first word boundary
        LoadedBox loaded(text);
        ASSERT_EQ(shapeOf(loaded.box), slowShapeOf(text)) << "round " << round;
    }
}

// Texts long enough to be looked through in blocks, with breaks and tabs sparse (lines
// across several blocks) or dense, the awkward units among them, and every length around
// a block's end.
TEST(TextLoading, LongTextsSplitAsTheSlowSplitAcrossBlocks) {
    const std::u16string_view awkward = u"\t\n\r\u010a\u0a0a\u0909\uff0a\u0a09"sv;
    Picker picker(20261211);
    for (int round = 0; round < 1500; ++round) {
        const int32_t length = round < 300 ? round : picker.pick(0, 700);
        const int32_t density = picker.pick(1, 60); // one awkward unit in about so many
        std::u16string text;
        for (int32_t k = 0; k < length; ++k)
            text += picker.pick(1, density) == 1
                        ? awkward[static_cast<size_t>(
                              picker.pick(0, static_cast<int32_t>(awkward.size()) - 1))]
                        : (picker.pick(0, 3) == 0 ? u' ' : u'x');
        LoadedBox loaded(text);
        ASSERT_EQ(shapeOf(loaded.box), slowShapeOf(text)) << "round " << round;
        ASSERT_EQ(loaded.box.gettext(), text) << "round " << round;
    }
}

// Loaded cells point into the one loaded text instead of a block each, and a cell kept
// past a reload still reads its own characters: its chunk keeps that text alive.
TEST(TextLoading, CellsBorrowTheLoadedTextAndOutliveAReload) {
    std::u16string text;
    for (int k = 0; k < 5000; ++k) // enough cells to fill several chunks
        text += u"    cell " + std::u16string(static_cast<size_t>(k % 7), u'x') + u"\tmore\n";
    LoadedBox loaded(text);
    CLBox& box = loaded.box;
    for (int32_t l = 0; l + 1 < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        ASSERT_EQ(line.tabs.size(), 3) << "line " << l;
        ASSERT_TRUE(line.tabs.at(1)->text.isBorrowed()) << "line " << l;
        ASSERT_TRUE(line.tabs.at(2)->text.isBorrowed()) << "line " << l;
    }
    const Ref<CLTab> kept = box.lines.at(4321)->tabs.at(1);
    box.loadtext(u"replaced");
    EXPECT_EQ(kept->text.view(), u"cell xx"); // line 4321: 4321 % 7 letters
}

TEST(TextLoading, ReloadReplacesDocumentAndResetsPositionButNotTheGlide) {
    LoadedBox loaded(u"one\ntwo\nthree");
    CLBox& box = loaded.box;
    box.cursor = CLPos{2, 0, 3, 40};
    box.scrX = 50;
    box.scrY = 60;
    box.scrmovX = 12.5;
    box.scrmovY = 30.0;
    box.moving = false;
    box.loadtext(u"x");
    EXPECT_EQ(shapeOf(box), (std::vector<LineShape>{{{u"x"}, u""}}));
    EXPECT_EQ(box.cursor, CLPos{});
    EXPECT_EQ(box.scrX, 0);
    EXPECT_EQ(box.scrY, 0);
    EXPECT_DOUBLE_EQ(box.scrmovX, 12.5);
    EXPECT_DOUBLE_EQ(box.scrmovY, 30.0);
    EXPECT_TRUE(box.moving);
}

TEST(TextLoading, LoadedTextIsMeasured) {
    LoadedBox loaded(u"ab\tc\n}\n\U0001F600");
    EXPECT_EQ(loaded.cell(0, 0).innerWidth, 14);
    EXPECT_EQ(loaded.cell(0, 1).innerWidth, 7);
    EXPECT_EQ(loaded.cell(2, 0).innerWidth, 7); // a surrogate pair is one character wide
    EXPECT_EQ(loaded.box.lines.weiacc(3), 16 + 8 + 16);
    EXPECT_TRUE(loaded.line(1).isEmptyLine);
}

// Loading makes only the last line; the others are made when first read. Before that,
// their text, emptiness and height must be those of the made lines: gettext and the
// heights are read from the loaded text, cells and flags from the records.
TEST(LinesMadeOnFirstRead, UnreadLinesGiveWhatTheMadeLinesGive) {
    const std::u16string_view awkward = u"\t\n\r a{}\u010a\u0a0a\u001f\u0000\uff0a"sv;
    Picker picker(20261219);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text = randomText(picker, picker.pick(0, 40));
        for (int32_t k = picker.pick(0, 8); k > 0; --k)
            text += awkward[static_cast<size_t>(
                picker.pick(0, static_cast<int32_t>(awkward.size()) - 1))];
        HeadlessSurface surface;
        CLBox box;
        box.bind(surface);
        box.loadtext(text);
        for (int32_t l = 0; l + 1 < box.lines.size(); ++l)
            ASSERT_FALSE(box.lines.isMade(l)) << "round " << round << " line " << l;
        ASSERT_EQ(box.gettext(), text) << "round " << round;
        for (int32_t l = 0; l < box.lines.size(); ++l)
            if (picker.pick(0, 1) == 0)
                box.lines.at(l);
        ASSERT_EQ(box.gettext(), text) << "round " << round;
        const int32_t documentHeight = box.lines.weiacc(box.lines.size());
        ASSERT_EQ(shapeOf(box), slowShapeOf(text)) << "round " << round;
        box.updateHeight(0, box.lines.size()); // from the records now
        ASSERT_EQ(box.lines.weiacc(box.lines.size()), documentHeight) << "round " << round;
        for (int32_t l = 0; l < box.lines.size(); ++l) {
            const CLLine& line = *box.lines.at(l);
            ASSERT_EQ(line.height, box.lines.wei(l)) << "round " << round << " line " << l;
            for (int32_t i = 0; i < line.tabs.size(); ++i)
                ASSERT_EQ(line.tabs.at(i)->innerWidth,
                          static_cast<int32_t>(surface.textWidth(line.tabs.at(i)->text)));
        }
    }
}

// A line is made, and measured, in the box's font whatever size the surface is drawing
// at (the half size of an empty line, say), and in a new font once the font changed.
TEST(LinesMadeOnFirstRead, ALineMadeLateIsMeasuredInTheBoxsFont) {
    HeadlessSurface surface;
    CLBox box;
    box.bind(surface);
    box.loadtext(u"ab\tc\n}\nxyz\nlast");
    surface.setFontSize(4.5);
    EXPECT_EQ(box.lines.at(0)->tabs.at(0)->innerWidth, 14);
    EXPECT_EQ(box.lines.at(0)->tabs.at(1)->innerWidth, 7);
    EXPECT_TRUE(box.lines.at(1)->isEmptyLine);
    EXPECT_EQ(box.lines.at(1)->height, 8);
    EXPECT_DOUBLE_EQ(surface.fontSize(), 4.5);
    surface.setFontSize(18);
    box.updateCache();
    box.updateHeight(0, box.lines.size());
    box.updateInnerWidth(0, box.lines.size());
    EXPECT_EQ(box.lines.at(2)->tabs.at(0)->innerWidth, 42);
    EXPECT_EQ(box.lines.at(2)->height, 32);
    EXPECT_EQ(box.lines.at(0)->tabs.at(1)->innerWidth, 14);
}

} // namespace
