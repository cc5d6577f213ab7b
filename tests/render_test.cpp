#include "longtext.h"
#include "support/modClock.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Call = HeadlessSurface::Call;

constexpr int32_t evenTint = 16777199;
constexpr int32_t oddTint = 16777183;

std::string narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

// The drawing calls of the last frame as short lines, so a frame reads like a script.
std::vector<std::string> script(const HeadlessSurface& surface) {
    std::vector<std::string> lines;
    for (const auto& call : surface.calls) {
        std::ostringstream out;
        switch (call.kind) {
        case Call::Print:
            out << "print " << narrow(call.text) << " " << call.x0 << " " << call.y0 << " @"
                << call.fontSize;
            break;
        case Call::Fill:
            out << "fill " << call.x0 << " " << call.y0 << " " << call.x1 << " " << call.y1
                << (call.colour == evenTint  ? " even"
                    : call.colour == oddTint ? " odd"
                                             : " other");
            break;
        case Call::Line:
            out << "line " << call.x0 << " " << call.y0 << " " << call.x1 << " " << call.y1 << " "
                << call.colour;
            break;
        case Call::FontSize:
            out << "font " << call.x0;
            break;
        case Call::Hide:
            out << "hide";
            break;
        case Call::Show:
            out << "show";
            break;
        case Call::Clear:
            out << "clear";
            break;
        case Call::Events:
            out << "events";
            break;
        case Call::Position:
            out << "at " << call.x0 << " " << call.y0;
            break;
        case Call::ScaleMode:
            continue;
        }
        lines.push_back(out.str());
    }
    return lines;
}

// 7 px per character, 16 px lines: a space is 7 px, the minimum column 28 px.
struct Fixture {
    explicit Fixture(std::u16string_view text, double width = 200, double height = 100)
        : surface(width, height, 7, 16) {
        box.bind(surface);
        box.loadtext(text);
        surface.calls.clear();
    }
    std::vector<std::string> frame() {
        surface.calls.clear();
        box.render();
        return script(surface);
    }
    HeadlessSurface surface;
    CLBox box;
};

TEST(RenderFrames, DrawsCellsTintsAndCursorInOrder) {
    // Column 0 spans lines 0-1 (28 px: "ab" + margin is 21); "}" makes line 2 half height.
    Fixture f(u"ab\tc\n\tx\n}");
    const std::vector<std::string> expected = {
        "events",
        "hide",
        "clear",
        "font 9",
        "at 0 0",
        "print ab 0 0 @9",
        "at 28 0",
        "print c 28 0 @9",
        "font 9",
        "fill 0 16 27 31 even",
        "at 28 16",
        "print x 28 16 @9",
        "font 4.5",
        "at 0 32",
        "print } 0 32 @4.5",
        "font 9",
        "line 0 0 0 16 0",
        "at 0 0",
        "show",
        "events",
    };
    EXPECT_EQ(f.frame(), expected);
    EXPECT_EQ(modClock::openStopwatches(), 0);
}

TEST(RenderFrames, FractionalOffsetsShiftTextButTheCursorRounds) {
    Fixture f(u"ab\tc\nd");
    f.box.scrmovX = 2.5;
    f.box.scrmovY = 4.25;
    const auto frame = f.frame();
    EXPECT_NE(std::find(frame.begin(), frame.end(), "print ab -2.5 -4.25 @9"), frame.end());
    EXPECT_NE(std::find(frame.begin(), frame.end(), "print c 25.5 -4.25 @9"), frame.end());
    EXPECT_NE(std::find(frame.begin(), frame.end(), "print d -2.5 11.75 @9"), frame.end());
    // The cursor goes through the rounded offsets: 2.5 -> 2, 4.25 -> 4.
    EXPECT_NE(std::find(frame.begin(), frame.end(), "line -2 -4 -2 12 0"), frame.end());
}

TEST(RenderFrames, TintsAlternateAndSpareTheLastCell) {
    Fixture f(u"\t\t\tx\na\t");
    std::vector<std::string> fills;
    for (const auto& line : f.frame())
        if (line.rfind("fill", 0) == 0)
            fills.push_back(line);
    // "a\t" ends in an empty cell: it is the last of its line and gets no tint.
    const std::vector<std::string> expected = {"fill 0 0 27 15 even", "fill 28 0 55 15 odd",
                                               "fill 56 0 83 15 even"};
    EXPECT_EQ(fills, expected);
}

TEST(RenderFrames, CellsTouchingTheViewEdgesAreCulled) {
    struct Row {
        double scrmovX, viewWidth;
        std::vector<std::string> prints;
    };
    const std::vector<Row> rows = {
        {0, 200, {"print ab 0 0 @9", "print c 28 0 @9"}},
        {28, 200, {"print c 0 0 @9"}}, // "ab" ends exactly at the left edge
        {27, 200, {"print ab -27 0 @9", "print c 1 0 @9"}},
        {0, 28, {"print ab 0 0 @9"}}, // "c" starts exactly at the right edge
        {0, 29, {"print ab 0 0 @9", "print c 28 0 @9"}},
    };
    for (const Row& row : rows) {
        Fixture f(u"ab\tc", row.viewWidth);
        f.box.scrmovX = row.scrmovX;
        std::vector<std::string> prints;
        for (const auto& line : f.frame())
            if (line.rfind("print", 0) == 0)
                prints.push_back(line);
        EXPECT_EQ(prints, row.prints) << "scrmovX " << row.scrmovX << " width " << row.viewWidth;
    }
}

TEST(RenderFrames, ViewInsideALineAndPastTheEnd) {
    Fixture f(u"a\nb\nc\nd", 200, 20);
    f.box.scrmovY = 10; // line 0 is half above the top; lines 0 and 1 are in view
    std::vector<std::string> prints;
    for (const auto& line : f.frame())
        if (line.rfind("print", 0) == 0)
            prints.push_back(line);
    EXPECT_EQ(prints, (std::vector<std::string>{"print a 0 -10 @9", "print b 0 6 @9"}));

    f.box.scrmovY = 1000; // only the last line exists below the top edge's line
    prints.clear();
    for (const auto& line : f.frame())
        if (line.rfind("print", 0) == 0)
            prints.push_back(line);
    EXPECT_EQ(prints, (std::vector<std::string>{"print d 0 -952 @9"}));
}

TEST(RenderFrames, CursorOnAnEmptyLineIsHalfHeight) {
    Fixture f(u"a\n  }");
    f.box.cursor = CLPos{1, 0, 3};
    const auto frame = f.frame();
    // 3 characters of the half-size font: 3 * 3.5 = 10.5, which rounds to 10.
    EXPECT_NE(std::find(frame.begin(), frame.end(), "line 10 16 10 24 0"), frame.end());
    EXPECT_EQ(f.surface.fontSize(), 9);
}

TEST(RenderFrames, OnlyLinesInViewAreLaidOut) {
    std::u16string text;
    for (int k = 0; k < 50; ++k)
        text += u"cell\tnext\n";
    Fixture f(text, 200, 32);
    f.frame();
    EXPECT_EQ(f.box.lines.at(0)->tabs.at(0)->width, 35);
    EXPECT_EQ(f.box.lines.at(2)->tabs.at(0)->width, 35); // the line at the bottom edge
    EXPECT_EQ(f.box.lines.at(3)->tabs.at(0)->width, 0);  // never in view, never laid out
}

TEST(RenderFrames, AFailingSurfaceLeavesNoStopwatchOpen) {
    Fixture f(u"ab\tc\n\tx\n}");
    for (int failAt = 0; failAt < 12; ++failAt) {
        f.surface.failAfter = failAt;
        EXPECT_THROW(f.box.render(), std::runtime_error) << "failing at call " << failAt;
        EXPECT_EQ(modClock::openStopwatches(), 0) << "failing at call " << failAt;
        f.surface.failAfter = -1;
        f.box.render();
        EXPECT_FALSE(f.surface.hidden);
        EXPECT_EQ(modClock::openStopwatches(), 0);
    }
}

TEST(RenderFrames, AnEmptyBoxOnlyClears) {
    HeadlessSurface surface;
    CLBox box;
    box.bind(surface);
    box.render();
    EXPECT_TRUE(surface.callsOf(Call::Print).empty());
    EXPECT_EQ(surface.callsOf(Call::Show).size(), 1u);
}

// A long cell measured by pieces is printed from a little left of the view to a little
// right of it: its part must be the text where the whole would stand, and cover the view
// with two line heights to spare on either side, unless the text ends there.
TEST(LongCells, PrintedPartStandsWhereTheWholeWouldAndCoversTheView) {
    Picker picker(47);
    TwinBoxes twins(longLinesText(picker, 2, 30000));
    CLBox& box = twins.pieces;
    const double reach = 2.0 * twins.pieceSurface.lineHeight;
    for (int step = 0; step < 200; ++step) {
        box.scrmovX = picker.pick(-100, 1600000) / 10.0;
        box.scrmovY = picker.pick(0, 400) / 10.0;
        twins.pieceSurface.calls.clear();
        box.render();
        std::vector<HeadlessSurface::DrawCall> prints = twins.pieceSurface.callsOf(Call::Print);
        for (int32_t l = 0; l < box.lines.size(); ++l) {
            const CLLine& line = *box.lines.at(l);
            const double top = box.lines.weiacc(l) - box.scrmovY;
            for (int32_t i = 0; i < line.tabs.size(); ++i) {
                const double cellX = line.tabs.weiacc(i) - box.scrmovX;
                const std::u16string whole = line.tabs.at(i)->text;
                const auto printed = std::find_if(prints.begin(), prints.end(), [&](const auto& p) {
                    return p.y0 == top && p.x0 >= cellX && p.x0 < cellX + line.tabs.wei(i);
                });
                if (printed == prints.end())
                    continue;
                const std::u16string_view part = printed->text;
                const size_t first = whole.find(part); // the part's own place, if it is unique
                ASSERT_NE(first, std::u16string::npos) << "step " << step;
                const double before = twins.wholeSurface.textWidth(whole.substr(0, first));
                EXPECT_EQ(printed->x0, cellX + before) << "step " << step;
                EXPECT_TRUE(first == 0 || printed->x0 <= -reach) << "step " << step;
                const double end = printed->x0 + twins.wholeSurface.textWidth(part);
                EXPECT_TRUE(first + part.size() == whole.size() || end >= 320 + reach)
                    << "step " << step;
                EXPECT_FALSE(insideSurrogatePair(whole, static_cast<int32_t>(first)));
            }
        }
    }
}

} // namespace
