#include "textbox/blockselection.h"

#include "support/Rounding.h"
#include "tests/support/HeadlessWindow.h"

#include "loadedbox.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;
using Call = HeadlessSurface::Call;

// The text as lines of cells, each cell with the form of its tab; the model of textmodel.h
// cut into them. A line's last cell, which no tab ends, is never spaced.
struct Cell {
    std::u16string text;
    bool spaced = false;
};
struct Line {
    std::vector<Cell> cells{Cell{}};
    char16_t end = 0; // '\n', crlfUnit, or 0 on the last line
};
using Lines = std::vector<Line>;
using Rows = std::vector<std::vector<Cell>>;

Lines linesOf(std::u16string_view model) {
    Lines lines(1);
    for (const char16_t unit : model) {
        if (isBreakUnit(unit)) {
            lines.back().end = unit;
            lines.emplace_back();
        } else if (isTabUnit(unit)) {
            lines.back().cells.back().spaced = unit == spacedTabUnit;
            lines.back().cells.emplace_back();
        } else {
            lines.back().cells.back().text += unit;
        }
    }
    return lines;
}

std::u16string modelOf(const Lines& lines) {
    std::u16string model;
    for (const Line& line : lines) {
        for (size_t k = 0; k < line.cells.size(); ++k) {
            model += line.cells[k].text;
            if (k + 1 < line.cells.size())
                model += line.cells[k].spaced ? spacedTabUnit : u'\t';
        }
        if (line.end != 0)
            model += line.end;
    }
    return model;
}

Rows rowsOf(const Lines& lines, const CellBlock& block) {
    Rows rows;
    for (int32_t l = block.firstLine; l <= block.lastLine; ++l) {
        const std::vector<Cell>& cells = lines[static_cast<size_t>(l)].cells;
        const auto first = std::min(static_cast<size_t>(block.firstCell), cells.size());
        const auto end = std::min(static_cast<size_t>(block.lastCell) + 1, cells.size());
        rows.emplace_back(cells.begin() + static_cast<ptrdiff_t>(first),
                          cells.begin() + static_cast<ptrdiff_t>(end));
    }
    return rows;
}

std::u16string textOf(const Rows& rows) {
    std::u16string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t k = 0; k < rows[r].size(); ++k)
            text += (k > 0 ? u"\t" : u"") + rows[r][k].text;
        if (r + 1 < rows.size())
            text += u"\r\n";
    }
    return text;
}

void endWithoutTab(Line& line) {
    line.cells.back().spaced = false;
}

// The cells go, and a line left without any keeps one empty cell.
void removeFrom(Lines& lines, const CellBlock& block) {
    for (int32_t l = block.firstLine; l <= block.lastLine; ++l) {
        std::vector<Cell>& cells = lines[static_cast<size_t>(l)].cells;
        const auto first = static_cast<size_t>(block.firstCell);
        if (cells.size() <= first)
            continue;
        const size_t end = std::min(static_cast<size_t>(block.lastCell) + 1, cells.size());
        cells.erase(cells.begin() + static_cast<ptrdiff_t>(first),
                    cells.begin() + static_cast<ptrdiff_t>(end));
        if (cells.empty())
            cells.emplace_back();
        endWithoutTab(lines[static_cast<size_t>(l)]);
    }
}

// Row k into line + k, before cell c, the line first filled up to c with empty cells; lines
// added at the end take the line end of the line above.
void pasteInto(Lines& lines, size_t line, size_t c, const Rows& rows) {
    for (size_t k = 0; k < rows.size(); ++k) {
        if (line + k == lines.size()) {
            lines.back().end = lines.size() > 1 ? lines[lines.size() - 2].end : crlfUnit;
            lines.emplace_back();
        }
        if (rows[k].empty())
            continue;
        std::vector<Cell>& cells = lines[line + k].cells;
        cells.resize(std::max(cells.size(), c));
        cells.insert(cells.begin() + static_cast<ptrdiff_t>(c), rows[k].begin(), rows[k].end());
        endWithoutTab(lines[line + k]);
    }
}

// A file of a few lines of a few short cells, indented with spaces or tabs now and then.
std::u16string randomTable(Picker& picker) {
    const std::vector<std::u16string> cells = {u"", u"a", u"bc", u"x y", u"\u00e9", u"}"};
    const std::vector<std::u16string> indents = {u"", u"", u"    ", u"\t", u"        "};
    std::u16string text;
    for (int32_t l = picker.pick(1, 6); l > 0; --l) {
        text += picker.oneOf(indents);
        for (int32_t c = picker.pick(1, 4); c > 0; --c)
            text += picker.oneOf(cells) + (c > 1 ? u"\t" : u"");
        if (l > 1)
            text += picker.pick(0, 1) == 0 ? u"\n" : u"\r\n";
    }
    return text;
}

// A point of the view inside cell c of line l, which must be shown.
std::pair<double, double> pointIn(CLBox& box, int32_t l, int32_t c) {
    const OArray<CLTab>& tabs = box.lines.at(l)->tabs;
    return {tabs.weiacc(c) + 1 - roundToPixel(box.scrmovX),
            box.lines.weiacc(l) + 1 - roundToPixel(box.scrmovY)};
}

// A cell shown whole, away from the bottom edge, where a drag would scroll on.
CellCorner randomCorner(Window& window, Picker& picker) {
    CLBox& box = window.box();
    std::vector<CellCorner> shown;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        if (box.lines.weiacc(l) < box.scrY ||
            box.lines.weiacc(l + 1) > box.scrY + box.viewHeight - box.lineHeight)
            continue;
        const OArray<CLTab>& tabs = box.lines.at(l)->tabs;
        for (int32_t c = 0; c < tabs.size(); ++c)
            if (tabs.weiacc(c) >= box.scrX && tabs.weiacc(c) + 2 < box.scrX + box.viewWidth)
                shown.push_back({l, c});
    }
    return picker.oneOf(shown);
}

void altDrag(Window& window, const CellCorner& from, const CellCorner& to) {
    const auto [x0, y0] = pointIn(window.box(), from.line, from.cell);
    const auto [x1, y1] = pointIn(window.box(), to.line, to.cell);
    window.form.onMouseDown(MouseButton::Left, ShiftMask::Alt, x0, y0);
    window.form.onMouseMove(MouseButton::Left, ShiftMask::Alt, x1 + 1, y1);
    window.form.onMouseUp(MouseButton::Left, ShiftMask::Alt, x1 + 1, y1);
}

CLPos placeOf(const CLPos& pos) {
    return {pos.yLine, pos.xTab, pos.xChar};
}

// Random blocks of random tables, dragged with Alt held, then copied, cut, deleted with
// either key, or pasted back as blocks where a click put the cursor: the text, the forms of
// its tabs, the clipboard and the cursor are the model's after each, and each is one step
// that undo takes back whole.
TEST(BlockModel, CopyCutDeleteAndPasteMatchLinesOfCells) {
    Picker picker(20250628);
    for (int round = 0; round < 150; ++round) {
        Window window;
        window.box().loadtext(randomTable(picker));
        window.settle();
        Lines lines = linesOf(::modelOf(window.box()));
        std::optional<Rows> copied;
        for (int step = 0; step < 12; ++step) {
            const std::string where =
                "round " + std::to_string(round) + " step " + std::to_string(step);
            const Lines before = lines;
            const CellCorner a = randomCorner(window, picker), b = randomCorner(window, picker);
            const CellBlock block = blockBetween(a, b);
            altDrag(window, a, b);
            ASSERT_EQ(window.box().selectedBlock, block) << where;
            const int32_t action = copied ? picker.pick(0, 4) : picker.pick(0, 3);
            if (action == 4) { // a click, then the block copied last
                const CellCorner at = randomCorner(window, picker);
                const auto [x, y] = pointIn(window.box(), at.line, at.cell);
                window.form.onMouseDown(MouseButton::Left, ShiftMask::None, x, y);
                window.form.onMouseUp(MouseButton::Left, ShiftMask::None, x, y);
                const CLPos cursor = placeOf(window.box().cursor);
                window.form.onKeyDown(letterKey('V'), ShiftMask::Ctrl);
                const bool pastes = !textOf(*copied).empty(); // an empty clipboard pastes nothing
                if (pastes)
                    pasteInto(lines, static_cast<size_t>(cursor.yLine),
                              static_cast<size_t>(cursor.xTab), *copied);
                const auto shifted = pastes ? static_cast<int32_t>(copied->front().size()) : 0;
                ASSERT_EQ(placeOf(window.box().cursor),
                          (CLPos{cursor.yLine, cursor.xTab + shifted, cursor.xChar}))
                    << where;
            } else if (action <= 1) { // Ctrl+C, or Ctrl+X
                copied = rowsOf(lines, block);
                window.form.onKeyDown(letterKey(action == 0 ? 'C' : 'X'), ShiftMask::Ctrl);
                ASSERT_EQ(window.host.clipboard, textOf(*copied)) << where;
                ASSERT_EQ(window.box().selectedBlock.has_value(), action == 0) << where;
            } else { // Delete, or Backspace
                window.form.onKeyDown(action == 2 ? KeyCode::Delete : KeyCode::Backspace,
                                      ShiftMask::None);
            }
            if (action >= 1 && action <= 3) {
                removeFrom(lines, block);
                const auto cells =
                    static_cast<int32_t>(lines[static_cast<size_t>(block.firstLine)].cells.size());
                ASSERT_EQ(placeOf(window.box().cursor),
                          (CLPos{block.firstLine, std::min(block.firstCell, cells - 1), 0}))
                    << where;
            }
            window.settle();
            ASSERT_EQ(::modelOf(window.box()), modelOf(lines)) << where;
            ASSERT_TRUE(window.host.errors.empty()) << where;
            if (picker.pick(0, 3) == 0 && modelOf(before) != modelOf(lines)) {
                window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
                window.settle();
                lines = before;
                ASSERT_EQ(::modelOf(window.box()), modelOf(lines)) << where << " undone";
            }
        }
    }
}

// With a block selected, any key but the block's own ends it and acts as it would have
// without one, as in a window where a click put the cursor at the drag's end; typing goes
// in at the cursor, never over the block. An Alt+click that does not move is a click.
TEST(BlockKeys, OtherKeysEndTheBlockAndActAsWithoutIt) {
    struct Key {
        KeyCode key;
        ShiftMask shift;
    };
    const std::vector<Key> keys = {
        {KeyCode::Right, ShiftMask::None}, {KeyCode::Tab, ShiftMask::None},
        {KeyCode::Enter, ShiftMask::None}, {letterKey('V'), ShiftMask::Ctrl},
        {KeyCode::A, ShiftMask::Ctrl},     {functionKey(8), ShiftMask::None},
        {KeyCode::None, ShiftMask::None},  {letterKey('C'), ShiftMask::Ctrl | ShiftMask::Shift}};
    const std::u16string table = u"a\tbb\tc\none\ttwo\tthree\n1\t2\t3";
    for (const Key& key : keys) {
        Window blocked, clicked;
        for (Window* window : {&blocked, &clicked}) {
            window->box().loadtext(table);
            window->settle();
            window->host.clipboard = u"pasted\ttext";
        }
        altDrag(blocked, {0, 0}, {2, 1});
        const auto [x, y] = pointIn(clicked.box(), 2, 1);
        clicked.form.onMouseDown(MouseButton::Left, ShiftMask::None, x + 1, y);
        clicked.form.onMouseUp(MouseButton::Left, ShiftMask::None, x + 1, y);
        ASSERT_TRUE(blocked.box().selectedBlock);
        ASSERT_EQ(blocked.box().cursor, clicked.box().cursor);
        for (Window* window : {&blocked, &clicked}) {
            window->form.onKeyDown(key.key, key.shift);
            window->form.onKeyPress(U'q');
        }
        EXPECT_EQ(blocked.text(), clicked.text()) << static_cast<int>(key.key);
        EXPECT_EQ(blocked.box().cursor, clicked.box().cursor) << static_cast<int>(key.key);
        EXPECT_EQ(blocked.host.clipboard, clicked.host.clipboard) << static_cast<int>(key.key);
        EXPECT_FALSE(blocked.box().selectedBlock) << static_cast<int>(key.key);
        EXPECT_EQ(blocked.host.caption(), clicked.host.caption()) << static_cast<int>(key.key);
    }
    Window window;
    window.box().loadtext(table);
    window.settle();
    const auto [x, y] = pointIn(window.box(), 1, 2);
    window.form.onMouseDown(MouseButton::Left, ShiftMask::Alt, x, y);
    window.form.onMouseMove(MouseButton::Left, ShiftMask::Alt, x, y);
    window.form.onTick();
    window.form.onMouseUp(MouseButton::Left, ShiftMask::Alt, x, y);
    EXPECT_FALSE(window.box().selectedBlock);
    EXPECT_EQ(window.box().cursor, (CLPos{1, 2, 0}));
}

constexpr int32_t selectionColour = 180 + 256 * 213 + 65536 * 255;
constexpr int32_t evenTint = 16777199, selectedOddTint = 140 + 256 * 186 + 65536 * 235;

// Each line's cells of the block, from its first's left edge to its last's right edge,
// before its text; a line with fewer cells only under those it has, one with none not at
// all; the empty cells in it in the bluer shades.
TEST(BlockDrawing, HighlightsTheElasticWidthOfItsCells) {
    LoadedBox loaded(u"a\tbb\tc\n\t\nz\n1\t\t3\t4\nlong text\tx");
    CLBox& box = loaded.box;
    selectBlock(box, CellBlock{0, 3, 1, 2});
    loaded.surface.calls.clear();
    box.render();
    std::vector<HeadlessSurface::DrawCall> fills = loaded.surface.callsOf(Call::Fill);
    const auto spans = [&](int32_t l, int32_t first, int32_t end) {
        const OArray<CLTab>& tabs = box.lines.at(l)->tabs;
        return std::pair(tabs.weiacc(first), tabs.weiacc(end) - 1);
    };
    ASSERT_EQ(fills.size(), 5u);
    const std::vector<std::pair<int32_t, int32_t>> highlighted = {spans(0, 1, 3), spans(1, 1, 2),
                                                                  spans(3, 1, 3)};
    const std::vector<size_t> highlights = {0, 1, 3};
    for (size_t k = 0; k < highlights.size(); ++k) {
        const auto& fill = fills[highlights[k]];
        EXPECT_EQ(fill.colour, selectionColour) << k;
        EXPECT_EQ(std::pair(static_cast<int32_t>(fill.x0), static_cast<int32_t>(fill.x1)),
                  highlighted[k])
            << k;
    }
    EXPECT_EQ(fills[2].colour, evenTint);        // line 1's first cell, left of the block
    EXPECT_EQ(fills[4].colour, selectedOddTint); // line 3's empty second cell, in it
    EXPECT_EQ(fills[1].y0, box.lines.weiacc(1));
    clearSelection(box);
    loaded.surface.calls.clear();
    box.render();
    EXPECT_EQ(loaded.surface.callsOf(Call::Fill).size(), 2u);
}

} // namespace
