#include "loadedbox.h"
#include "longtext.h"
#include "randomtext.h"

#include "support/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Widths = std::vector<std::vector<int32_t>>;

Widths cellWidths(const CLBox& box) {
    Widths widths;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        widths.emplace_back();
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            widths.back().push_back(line.tabs.at(i)->width);
    }
    return widths;
}

bool hasColumn(const CLBox& box, int32_t l, int32_t i) {
    return i < box.lines.at(l)->tabs.size() - 1;
}

// The column rule the slow way: walk up and down from the cell to the ends of its block
// inside [a, r) and take the widest cell there.
int32_t naiveWidth(const CLBox& box, int32_t a, int32_t r, int32_t l, int32_t i) {
    const double margin = box.spaceWidth * static_cast<double>(box.options.tabMargin);
    const auto padded = [&](int32_t k) {
        return roundToPixel(box.lines.at(k)->tabs.at(i)->innerWidth + margin);
    };
    if (!hasColumn(box, l, i))
        return padded(l);
    int32_t first = l, last = l;
    while (first > a && hasColumn(box, first - 1, i))
        --first;
    while (last + 1 < r && hasColumn(box, last + 1, i))
        ++last;
    int32_t width = roundToPixel(box.spaceWidth * static_cast<double>(box.options.tabMin));
    for (int32_t k = first; k <= last; ++k)
        width = std::max(width, padded(k));
    return width;
}

std::u16string randomTable(Picker& picker) {
    static const std::vector<std::u16string> cells = {
        u"", u"", u"a", u"bb", u"}", u"longer cell", u"\u00e9\u00e9\u00e9"};
    std::u16string text;
    const int32_t lineCount = picker.pick(1, 30);
    for (int32_t l = 0; l < lineCount; ++l) {
        const int32_t tabCount = picker.pick(0, 5);
        for (int32_t i = 0; i <= tabCount; ++i)
            text += picker.oneOf(cells) + (i < tabCount ? u"\t" : u"");
        text += l + 1 < lineCount ? u"\n" : u"";
    }
    return text;
}

TEST(ElasticColumns, RandomDocumentsAndRangesMatchTheNaiveRule) {
    Picker picker(7);
    const std::vector<float> margins = {1.0f, 0.5f, 1.5f};
    for (int round = 0; round < 2000; ++round) {
        HeadlessSurface surface(640, 480, picker.pick(3, 9) + 0.5, 16);
        CLBox box;
        box.bind(surface);
        box.options.tabMargin = picker.oneOf(margins);
        box.loadtext(randomTable(picker));
        const int32_t n = box.lines.size();
        const int32_t a = picker.pick(0, n), r = picker.pick(a, n);
        const Widths before = cellWidths(box);
        box.updateWidth(a, r);
        for (int32_t l = 0; l < n; ++l) {
            const CLLine& line = *box.lines.at(l);
            for (int32_t i = 0; i < line.tabs.size(); ++i) {
                const int32_t expected =
                    l >= a && l < r ? naiveWidth(box, a, r, l, i) : before[size_t(l)][size_t(i)];
                ASSERT_EQ(line.tabs.at(i)->width, expected)
                    << "round " << round << " line " << l << " cell " << i;
                ASSERT_EQ(line.tabs.wei(i), expected) << "round " << round;
            }
        }
    }
}

// Four tabs per line in the rows below; each row's widths are for column 0 .. 3 and the
// last cell, with 7 px spaces: at least 28, else the widest text plus one space.
TEST(ElasticColumns, BlocksEndAtShorterLinesAndTheRange) {
    struct Row {
        const char* what;
        std::u16string text;
        int32_t a, r;
        Widths expected;
    };
    const std::vector<Row> rows = {
        {"one block per column",
         u"1\t2\t3\t4\t\none\ttwo\tthreeeeee\tfour\t",
         0,
         2,
         {{28, 28, 70, 35, 7}, {28, 28, 70, 35, 7}}},
        {"a tab-less line splits every column",
         u"aaaaaa\tb\nno tabs\nc\tdddddd",
         0,
         3,
         {{49, 14}, {56}, {28, 49}}},
        {"a shorter line ends the columns it lacks",
         u"x\tx\tx\tlong cell\t\ny\ty\tyy\nz\tz\tz\tz\t",
         0,
         3,
         {{28, 28, 28, 70, 7}, {28, 28, 21}, {28, 28, 28, 28, 7}}},
        {"an empty column is the minimum and last cells share nothing",
         u"\t\twide last cell\n\t\tw",
         0,
         2,
         {{28, 28, 105}, {28, 28, 14}}},
        {"widths come from the range alone",
         u"a very long first cell\tz\nb\tz\nc\tz",
         1,
         3,
         {{161, 14}, {28, 14}, {28, 14}}},
    };
    for (const Row& row : rows) {
        LoadedBox loaded(row.text);
        loaded.box.updateWidth(row.a, row.r);
        EXPECT_EQ(cellWidths(loaded.box), row.expected) << row.what;
    }
}

TEST(LineHeights, EmptyLinesAreHalfHeightRoundedToEven) {
    struct Row {
        std::u16string text;
        bool empty;
    };
    const std::vector<Row> rows = {
        {u"}", true},         {u"  ", true},      {u"", true},        {u");", true},
        {u"{\t}\t[ ]", true}, {u"a", false},      {u"-", false},      {u"}\ta", false},
        {u"\\/*,;()", true},  {u"\u017d", false}, {u"\uff5d", false}, {u"\U0001F600", false},
    };
    for (const double lineHeight : {16.0, 15.0, 17.0}) {
        HeadlessSurface surface(640, 480, 7, lineHeight);
        CLBox box;
        box.bind(surface);
        std::u16string text;
        for (const Row& row : rows)
            text += row.text + u"\n";
        box.loadtext(text);
        const int32_t full = static_cast<int32_t>(lineHeight);
        const int32_t half = roundToPixel(lineHeight / 2); // 7.5 -> 8 and 8.5 -> 8
        int32_t top = 0;
        for (size_t l = 0; l < rows.size(); ++l) {
            const CLLine& line = *box.lines.at(static_cast<int32_t>(l));
            EXPECT_EQ(line.isEmptyLine, rows[l].empty) << "line " << l;
            EXPECT_EQ(CLBox::isEmptyText(rows[l].text), rows[l].empty && l != 4)
                << "line " << l; // tabs split cells
            EXPECT_EQ(line.height, rows[l].empty ? half : full) << "line " << l;
            EXPECT_EQ(box.lines.weiacc(static_cast<int32_t>(l)), top) << "line " << l;
            top += line.height;
        }
    }
}

// The characters of empty lines are found with a mask: every unit against the list.
TEST(EmptyLines, EmptyCharactersAreExactlyTheListedOnes) {
    const std::u16string_view listed = u" (),/;[\\]{}*";
    for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const auto c = static_cast<char16_t>(unit);
        ASSERT_EQ(CLBox::isEmptyCharacter(c), listed.find(c) != std::u16string_view::npos)
            << "unit " << unit;
    }
}

TEST(LayoutRanges, BadRangesRaiseOutOfRangeAndChangeNothing) {
    LoadedBox loaded(u"a\tb\nccc\td\n}");
    CLBox& box = loaded.box;
    box.updateWidth(0, 3);
    const Widths widths = cellWidths(box);
    const int32_t height = box.lines.weiacc(3);
    box.lines.at(0)->tabs.at(0)->text = u"changed";
    box.lines.at(2)->tabs.at(0)->text = u"now full";
    for (const auto& [a, r] : std::vector<std::pair<int32_t, int32_t>>{{-1, 1}, {2, 1}, {0, 4}}) {
        for (const auto& update :
             {&CLBox::updateWidth, &CLBox::updateHeight, &CLBox::updateInnerWidth}) {
            try {
                (box.*update)(a, r);
                ADD_FAILURE() << "range " << a << ", " << r << " was accepted";
            } catch (const EngineError& error) {
                EXPECT_EQ(error.number, ErrorNumber::OutOfRange);
            }
        }
    }
    for (const auto& update : {&CLBox::updateWidth, &CLBox::updateHeight, &CLBox::updateInnerWidth})
        (box.*update)(1, 1);
    EXPECT_EQ(cellWidths(box), widths);
    EXPECT_EQ(box.lines.weiacc(3), height);
    EXPECT_EQ(loaded.cell(0, 0).innerWidth, 7);
}

// Coordinates past 32 bits are refused, and a refused layout still has every line's
// height and every cell's width equal to its weight, so nothing maps or draws wrongly.
TEST(LayoutLimits, RefusedLayoutsKeepSizesEqualToWeights) {
    LoadedBox loaded(u"a\tb\nccc\td\n}");
    CLBox& box = loaded.box;
    const auto weightsMatch = [&] {
        for (int32_t l = 0; l < box.lines.size(); ++l) {
            const CLLine& line = loaded.line(l);
            if (box.lines.wei(l) != line.height)
                return false;
            for (int32_t i = 0; i < line.tabs.size(); ++i)
                if (line.tabs.wei(i) != line.tabs.at(i)->width)
                    return false;
        }
        return true;
    };
    const int32_t height = box.lines.weiacc(3);
    loaded.surface.lineHeight = 1e9;
    box.updateCache();
    try {
        box.updateHeight(0, 3);
        ADD_FAILURE() << "a document taller than 32 bits was laid out";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number, ErrorNumber::Overflow);
    }
    EXPECT_EQ(box.lines.weiacc(3), height);
    EXPECT_TRUE(weightsMatch());

    loaded.surface.lineHeight = 16;
    box.updateCache();
    box.lines.at(1)->tabs.at(0)->innerWidth = std::numeric_limits<int32_t>::max();
    box.lines.at(1)->tabs.at(1)->innerWidth = std::numeric_limits<int32_t>::max();
    EXPECT_THROW(box.updateWidth(0, 3), EngineError);
    EXPECT_TRUE(weightsMatch());
    EXPECT_EQ(loaded.line(2).tabs.wei(0), 7 + 7); // the lines after it are laid out
}

// Edits in long cells measure only the pieces they touch, and a change of font measures
// them again; every inner width must still be the whole text's, as a surface that measures
// texts whole gives it, in fonts whose sums are promised (9, 18, 4.5 pt) and one whose are
// not (10 pt).
// Moved to a screen of another density, the next frame measures every line again: the
// box then holds what one loaded at that density holds, long cells' pieces included.
TEST(ScreenDensity, AFrameAfterAChangeMeasuresAsALoadAtTheNewDensity) {
    Picker picker(11);
    const std::vector<double> densities = {192, 144, 72, 96};
    const auto laidOut = [](CLBox& box) {
        std::vector<int32_t> measures;
        box.updateWidth(0, box.lines.size());
        for (int32_t l = 0; l < box.lines.size(); ++l) {
            const CLLine& line = *box.lines.at(l);
            measures.push_back(box.lines.wei(l));
            for (int32_t i = 0; i < line.tabs.size(); ++i) {
                measures.push_back(line.tabs.at(i)->innerWidth);
                measures.push_back(line.tabs.wei(i));
            }
        }
        return measures;
    };
    for (int round = 0; round < 200; ++round) {
        const std::u16string text =
            randomTable(picker) + u"\n" +
            std::u16string(static_cast<size_t>(picker.pick(1, 5000)), u'w') + u"\tend";
        HeadlessSurface surface(300, 200);
        CLBox box;
        box.bind(surface);
        box.loadtext(text);
        box.render();
        surface.resolution = picker.oneOf(densities);
        box.render();
        HeadlessSurface freshSurface(300, 200);
        freshSurface.resolution = surface.resolution;
        CLBox fresh;
        fresh.bind(freshSurface);
        fresh.loadtext(text);
        fresh.render();
        ASSERT_EQ(box.lineHeight, fresh.lineHeight) << "round " << round;
        ASSERT_EQ(laidOut(box), laidOut(fresh)) << "round " << round;
    }
}

TEST(LongCells, InnerWidthsAfterEditsAndFontChangesAreTheWholeTexts) {
    Picker picker(41);
    TwinBoxes twins(longLinesText(picker, 3, 9000));
    const std::vector<char32_t> codes = {U'a', U'W', U'{', U'\u00e9', U'\U0001F600', 8, 8, 8};
    for (int step = 0; step < 600; ++step) {
        const int32_t l = picker.pick(0, twins.pieces.lines.size() - 1);
        const CLLine& line = *twins.pieces.lines.at(l);
        const int32_t i = picker.pick(0, line.tabs.size() - 1);
        const auto length = static_cast<int32_t>(line.tabs.at(i)->text.size());
        const CLPos at{l, i, picker.pick(0, length)};
        const int32_t kind = picker.pick(0, 99);
        const char32_t code = kind == 0 ? 9 : kind == 1 ? 13 : picker.oneOf(codes);
        const double points =
            kind == 2 ? std::vector<double>{9, 18, 4.5, 10}[picker.pick(0, 3)] : 0;
        for (CLBox* box : {&twins.pieces, &twins.whole}) {
            if (points != 0) {
                box->refWindow->setFontSize(points);
                box->updateCache();
                box->updateHeight(0, box->lines.size());
                box->updateInnerWidth(0, box->lines.size());
            } else {
                box->cursor = at;
                box->insertChar(code, box->cursor);
            }
        }
        ASSERT_EQ(twins.pieces.cursor, twins.whole.cursor) << "step " << step;
        for (int32_t k = 0; k < twins.whole.lines.size(); ++k)
            for (int32_t c = 0; c < twins.whole.lines.at(k)->tabs.size(); ++c)
                ASSERT_EQ(twins.pieces.lines.at(k)->tabs.at(c)->innerWidth,
                          twins.whole.lines.at(k)->tabs.at(c)->innerWidth)
                    << "step " << step << " line " << k << " cell " << c;
    }
    EXPECT_EQ(twins.pieces.gettext(), twins.whole.gettext());
}

} // namespace
