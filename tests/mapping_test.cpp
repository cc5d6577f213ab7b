#include "loadedbox.h"
#include "longtext.h"
#include "randomtext.h"

#include "support/Utf16.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Widths differ by character and every character is wider than a pixel, even in the
// half-size font of empty lines, so every position has a point of its own.
double unevenAdvance(char16_t unit) {
    return isSurrogate(unit) ? 3.2 : 4.3 + unit % 5;
}

struct UnevenBox : LoadedBox {
    explicit UnevenBox(std::u16string_view text) : LoadedBox(u"") {
        surface.advance = unevenAdvance;
        box.loadtext(text);
        box.updateWidth(0, box.lines.size());
    }
};

bool samePlace(const CLPos& a, const CLPos& b) {
    return a.yLine == b.yLine && a.xTab == b.xTab && a.xChar == b.xChar;
}

TEST(PositionMapping, EveryPositionMapsToItsPointAndBack) {
    Picker picker(31);
    for (int round = 0; round < 300; ++round) {
        UnevenBox doc(randomText(picker, picker.pick(0, 60)));
        for (int32_t l = 0; l < doc.box.lines.size(); ++l) {
            for (int32_t i = 0; i < doc.line(l).tabs.size(); ++i) {
                const std::u16string& text = doc.cell(l, i).text;
                for (int32_t c = 0; c <= static_cast<int32_t>(text.size()); ++c) {
                    if (insideSurrogatePair(text, c))
                        continue;
                    const CLPos pos{l, i, c};
                    const PixelPoint at = doc.box.posToXY(pos);
                    ASSERT_TRUE(samePlace(doc.box.XYToPos(at.x, at.y, false), pos))
                        << "round " << round << " at " << l << ", " << i << ", " << c;
                    ASSERT_TRUE(samePlace(doc.box.XYToPos(at.x, at.y, true), CLPos{l, 0, 0}));
                }
            }
        }
        ASSERT_DOUBLE_EQ(doc.surface.fontSize(), 9.0) << "round " << round;
    }
}

// The mapping of a click the slow way: scan lines, cells and characters from the left,
// a surrogate pair being one character.
class NaiveClick {
public:
    explicit NaiveClick(const CLBox& target) : box(target) {}

    CLPos at(int32_t x, int32_t y) const {
        CLPos pos;
        pos.yLine = coveringIndex(y, box.lines.size(), [&](int32_t l) { return heightOf(l); });
        const CLLine& line = *box.lines.at(pos.yLine);
        pos.xTab = coveringIndex(x, line.tabs.size(), [&](int32_t i) { return widthOf(line, i); });
        int32_t left = 0;
        for (int32_t i = 0; i < pos.xTab; ++i)
            left += widthOf(line, i);
        const double xr = x - left;
        const CLTab& cell = *line.tabs.at(pos.xTab);
        const double scale = line.isEmptyLine ? 0.5 : 1.0;
        for (int32_t start = 0; start < static_cast<int32_t>(cell.text.size());) {
            const int32_t end = start + (isHighSurrogate(cell.text[size_t(start)]) ? 2 : 1);
            const double wl = scale * width(cell.text, start), wr = scale * width(cell.text, end);
            if (xr <= wr) {
                pos.xChar = xr - wl > wr - xr ? end : start;
                return pos;
            }
            start = end;
        }
        pos.xChar = static_cast<int32_t>(cell.text.size());
        if (pos.xTab + 1 < line.tabs.size() && cell.width - xr < xr - cell.innerWidth)
            return CLPos{pos.yLine, pos.xTab + 1, 0};
        return pos;
    }

private:
    template <class Size> static int32_t coveringIndex(int32_t v, int32_t count, Size size) {
        int32_t start = 0;
        for (int32_t k = 0; k < count; ++k) {
            if (v < start + size(k))
                return k;
            start += size(k);
        }
        return count - 1;
    }
    int32_t heightOf(int32_t l) const { return box.lines.at(l)->height; }
    static int32_t widthOf(const CLLine& line, int32_t i) { return line.tabs.at(i)->width; }
    static double width(const std::u16string& text, int32_t units) {
        double sum = 0;
        for (int32_t k = 0; k < units; ++k)
            sum += unevenAdvance(text[size_t(k)]);
        return sum;
    }
    const CLBox& box;
};

TEST(PositionMapping, RandomClicksMatchTheNaiveScan) {
    Picker picker(97);
    for (int round = 0; round < 300; ++round) {
        UnevenBox doc(randomText(picker, picker.pick(0, 60)));
        const NaiveClick naive(doc.box);
        const int32_t bottom = doc.box.lines.weiacc(doc.box.lines.size());
        for (int probe = 0; probe < 50; ++probe) {
            const int32_t x = picker.pick(-20, 300), y = picker.pick(-10, bottom + 10);
            const CLPos pos = doc.box.XYToPos(x, y, false);
            ASSERT_TRUE(samePlace(pos, naive.at(x, y)))
                << "round " << round << " click " << x << ", " << y << " gave " << pos.yLine << ", "
                << pos.xTab << ", " << pos.xChar;
            ASSERT_EQ(pos.xPosMem, -1);
        }
    }
}

// 8 px characters, so a character's middle is a whole pixel; line 0 has a 32 px column
// holding "abc" (24 px), line 2 a surrogate pair of two 4 px halves.
TEST(PositionMapping, ClicksLandWhereAnEditorUserExpects) {
    struct Row {
        const char* what;
        int32_t x, y;
        CLPos expected;
    };
    const std::vector<Row> rows = {
        {"left of the line", -5, 3, {0, 0, 0}},
        {"left half of b", 11, 3, {0, 0, 1}},
        {"middle of b counts left", 12, 3, {0, 0, 1}},
        {"right half of b", 13, 3, {0, 0, 2}},
        {"gap, nearer the text", 26, 3, {0, 0, 3}},
        {"gap, halfway", 28, 3, {0, 0, 3}},
        {"gap, nearer the next column", 29, 3, {0, 1, 0}},
        {"far right of the last cell", 1000, 3, {0, 1, 2}},
        {"above the text", 9, -40, {0, 0, 1}},
        {"below the last line", 0, 1000, {2, 0, 0}},
        {"left half of the pair", 11, 40, {2, 0, 1}},
        {"middle of the pair", 12, 40, {2, 0, 1}},
        {"right half of the pair", 13, 40, {2, 0, 3}},
        {"right edge of the pair", 16, 40, {2, 0, 3}},
    };
    HeadlessSurface surface(640, 480, 8, 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(u"abc\tde\nxyz\na\U0001F600b");
    box.updateWidth(0, 3);
    for (const Row& row : rows)
        EXPECT_TRUE(samePlace(box.XYToPos(row.x, row.y, false), row.expected)) << row.what;
    EXPECT_EQ(box.posToXY(CLPos{0, 1, 0}), (PixelPoint{32, 0}));
    EXPECT_EQ(box.posToXY(CLPos{0, 0, 3}), (PixelPoint{24, 0}));
    EXPECT_EQ(box.posToXY(CLPos{2, 0, 3}), (PixelPoint{16, 32}));
}

TEST(PositionMapping, EmptyLinesMeasureInTheHalfSizeFontAndRestoreIt) {
    HeadlessSurface surface(640, 480, 8, 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(u"{ }");
    box.updateWidth(0, 1);
    surface.calls.clear();
    EXPECT_TRUE(samePlace(box.XYToPos(7, 0, false), CLPos{0, 0, 2})); // 4 px characters
    EXPECT_EQ(box.posToXY(CLPos{0, 0, 2}), (PixelPoint{8, 0}));
    std::vector<double> sizes;
    for (const auto& call : surface.callsOf(HeadlessSurface::Call::FontSize))
        sizes.push_back(call.x0);
    EXPECT_EQ(sizes, (std::vector<double>{4.5, 9, 4.5, 9}));

    surface.advance = [](char16_t) -> double { throw std::runtime_error("measuring failed"); };
    EXPECT_THROW(box.XYToPos(7, 0, false), std::runtime_error);
    EXPECT_THROW(box.posToXY(CLPos{0, 0, 2}), std::runtime_error);
    EXPECT_DOUBLE_EQ(surface.fontSize(), 9.0);
}

TEST(PositionMapping, AFailedFontRestoreIsReported) {
    LoadedBox loaded(u"}");
    loaded.surface.failAfter = 1; // the half-size font is set, putting it back fails
    EXPECT_THROW(loaded.box.XYToPos(3, 0, false), std::runtime_error);
}

TEST(PositionMapping, ScrollOffsetsRoundHalvesToEven) {
    LoadedBox loaded(u"abc\tdef\nghi");
    CLBox& box = loaded.box;
    box.updateWidth(0, 2);
    const CLPos pos{1, 0, 2};
    const PixelPoint at = box.posToXY(pos);
    struct Row {
        double scrmovX, scrmovY;
        int32_t shiftX, shiftY;
    };
    for (const Row row : {Row{10.5, 11.5, 10, 12}, Row{11.5, 10.5, 12, 10}, Row{-0.5, 2.4, 0, 2}}) {
        box.scrmovX = row.scrmovX;
        box.scrmovY = row.scrmovY;
        EXPECT_EQ(box.posToXYScrmov(pos), (PixelPoint{at.x - row.shiftX, at.y - row.shiftY}));
        EXPECT_TRUE(samePlace(box.XYscrmovToPos(at.x - row.shiftX, at.y - row.shiftY, false), pos));
    }
}

TEST(PositionMapping, PositionsOutsideTheDocumentRaiseOutOfRange) {
    LoadedBox loaded(u"ab\tc\nd");
    for (const CLPos& pos : {CLPos{-1, 0, 0}, CLPos{2, 0, 0}, CLPos{0, 2, 0}, CLPos{0, -1, 0},
                             CLPos{0, 0, 3}, CLPos{1, 0, -1}}) {
        try {
            loaded.box.posToXY(pos);
            ADD_FAILURE() << "accepted " << pos.yLine << ", " << pos.xTab << ", " << pos.xChar;
        } catch (const EngineError& error) {
            EXPECT_EQ(error.number, ErrorNumber::OutOfRange);
        }
    }
    loaded.box.lines.at(1)->tabs.del(0, 1);
    EXPECT_THROW(loaded.box.XYToPos(0, 100, false), EngineError);
    loaded.box.lines.del(0, loaded.box.lines.size());
    EXPECT_THROW(loaded.box.XYToPos(0, 0, false), EngineError);
}

TEST(PositionMapping, FarOutsidePointsClampInsteadOfWrapping) {
    constexpr int32_t most = std::numeric_limits<int32_t>::max();
    constexpr int32_t least = std::numeric_limits<int32_t>::min();
    LoadedBox loaded(u"ab\tc\nd");
    CLBox& box = loaded.box;
    box.updateWidth(0, 2);
    box.scrmovX = 100.0;
    box.scrmovY = 100.0;
    EXPECT_TRUE(samePlace(box.XYscrmovToPos(most, most, false), CLPos{1, 0, 1}));
    box.scrmovX = -100.0;
    box.scrmovY = -100.0;
    EXPECT_TRUE(samePlace(box.XYscrmovToPos(least, least, false), CLPos{0, 0, 0}));
    box.scrmovX = -3e9;
    EXPECT_EQ(box.posToXYScrmov(CLPos{0, 1, 1}).x, most);
    box.scrmovX = 0;
    loaded.surface.charWidth = 1e10; // a text wider than 32 bits after a wide cell
    box.lines.at(0)->tabs.setWei(1, 0);
    box.lines.at(0)->tabs.setWei(0, most);
    EXPECT_EQ(box.posToXY(CLPos{0, 1, 1}).x, most);
}

// In a long cell a point is found piece by piece and a position's x is added up from its
// pieces; both must agree with the whole text's measure, around edits that change pieces.
TEST(LongCells, PointsAndPositionsMapAsOnTheWholeText) {
    Picker picker(43);
    TwinBoxes twins(longLinesText(picker, 3, 12000));
    for (int step = 0; step < 400; ++step) {
        const int32_t x = picker.pick(-50, 100000), y = picker.pick(0, 80);
        const int32_t l = picker.pick(0, twins.whole.lines.size() - 1);
        const CLLine& line = *twins.whole.lines.at(l);
        const int32_t i = picker.pick(0, line.tabs.size() - 1);
        CLPos pos{l, i, picker.pick(0, static_cast<int32_t>(line.tabs.at(i)->text.size()))};
        if (insideSurrogatePair(line.tabs.at(i)->text, pos.xChar))
            --pos.xChar;
        ASSERT_TRUE(samePlace(twins.pieces.XYToPos(x, y, false), twins.whole.XYToPos(x, y, false)))
            << "step " << step << " at " << x << ", " << y;
        ASSERT_EQ(twins.pieces.posToXY(pos), twins.whole.posToXY(pos)) << "step " << step;
        const char32_t code = picker.pick(0, 1) == 0 ? U'q' : 8;
        if (picker.pick(0, 3) == 0)
            for (CLBox* box : {&twins.pieces, &twins.whole}) {
                box->cursor = pos;
                box->insertChar(code, box->cursor);
            }
    }
}

} // namespace
