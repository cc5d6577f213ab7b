#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;

const KeyCode F = letterKey('F');
const KeyCode F3 = functionKey(3);

// A window holding text, settled, the cursor at its start.
struct FindWindow : Window {
    explicit FindWindow(std::u16string_view text) {
        box().loadtext(text);
        settle();
    }
    // Ctrl+F answered with needle.
    void find(const std::u16string& needle) {
        host.answers = {needle};
        form.onKeyDown(F, ShiftMask::Ctrl);
    }
    CLPos at() {
        const CLPos& c = box().cursor;
        return {c.yLine, c.xTab, c.xChar};
    }
};

TEST(Find, CtrlFAsksAndGoesToTheEndOfTheFirstMatchFromTheCursor) {
    FindWindow window(u"one two\tTwo\nsecond two\n");
    window.box().cursor = {0, 0, 5};
    window.find(u"two");
    ASSERT_EQ(window.host.prompts.size(), 1u);
    EXPECT_EQ(window.host.prompts[0].prompt, u"find:");
    EXPECT_EQ(window.host.prompts[0].title, u"Colnat");
    EXPECT_EQ(window.host.prompts[0].defaultAnswer, u"");
    EXPECT_EQ(window.at(), (CLPos{0, 1, 3})); // "Two": the one at the cursor has begun
    window.find(u"");                         // Cancel: nothing moves
    EXPECT_EQ(window.host.prompts.back().defaultAnswer, u"two");
    EXPECT_EQ(window.at(), (CLPos{0, 1, 3}));
    EXPECT_TRUE(window.host.told.empty());
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Find, F3GoesOnAndShiftF3GoesBackWrappingRound) {
    FindWindow window(u"ab AB\t\tab\nx\tAb");
    window.find(u"ab");
    struct Step {
        ShiftMask shift;
        CLPos expected; // the cursor: a match's end
    };
    const std::vector<Step> steps = {
        {ShiftMask::None, {0, 0, 5}},  {ShiftMask::None, {0, 2, 2}}, // the last cell of a line
        {ShiftMask::None, {1, 1, 2}},  {ShiftMask::None, {0, 0, 2}}, // wrapped round
        {ShiftMask::Shift, {1, 1, 2}},                               // back round the start
        {ShiftMask::Shift, {0, 2, 2}}, {ShiftMask::Shift, {0, 0, 5}},
        {ShiftMask::Shift, {0, 0, 2}}, // the first cell of the first line
    };
    ASSERT_EQ(window.at(), (CLPos{0, 0, 2}));
    for (const Step& step : steps) {
        window.form.onKeyDown(F3, step.shift);
        EXPECT_EQ(window.at(), step.expected) << "shift " << static_cast<int>(step.shift);
    }
    EXPECT_EQ(window.host.prompts.size(), 1u); // F3 asks nothing once there is a search
    EXPECT_EQ(window.host.surface.beeps, 0);
}

TEST(Find, BackwardFromAPlacedCursorEndsAtOrBeforeIt) {
    FindWindow window(u"abab");
    window.find(u"ab"); // the first selected, the cursor at 2
    clearSelection(window.box());
    window.box().cursor = {0, 0, 3}; // placed: no selection, so back from the cursor
    window.form.onKeyDown(F3, ShiftMask::Shift);
    EXPECT_EQ(window.at(), (CLPos{0, 0, 2}));
}

// The match is selected, so typing replaces it as one step that undo takes back; going
// to a line ends the selection.
TEST(Find, TheMatchIsSelectedAndTypingReplacesIt) {
    FindWindow window(u"one two\nthree two");
    window.box().cursor = {0, 0, 5};
    window.find(u"TWO");
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{1, 0, 6}, {1, 0, 9}}));
    window.form.onKeyPress(U'2');
    EXPECT_EQ(window.box().gettext(), u"one two\nthree 2");
    window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
    EXPECT_EQ(window.box().gettext(), u"one two\nthree two");
    window.find(u"one");
    window.host.answers = {u"2"};
    window.form.onKeyDown(letterKey('G'), ShiftMask::Ctrl);
    EXPECT_EQ(selectedRange(window.box()), std::nullopt);
    EXPECT_EQ(window.at(), (CLPos{1, 0, 0}));
}

TEST(Find, CaseFoldsBeyondASCII) {
    FindWindow window(u"Stra\u00dfe\n\u00e9t\u00e9 \u0394\u03b5\u03bb\u03c4\u03b1\nK\u00e9lvin");
    struct Row {
        std::u16string needle;
        CLPos end;
    };
    const std::vector<Row> rows = {
        {u"\u00c9T\u00c9", {1, 0, 3}},                  // É finds é
        {u"\u03b4\u0395\u039b\u03a4\u0391", {1, 0, 9}}, // Greek, both ways
        {u"STRA\u1e9eE", {0, 0, 6}},                    // the capital sharp s folds to ß
        {u"\u212a\u00c9LVIN", {2, 0, 6}},               // the Kelvin sign folds to k
    };
    for (const Row& row : rows) {
        window.box().cursor = CLPos{};
        window.find(row.needle);
        EXPECT_EQ(window.at(), row.end) << "needle of " << row.needle.size() << " units";
    }
    EXPECT_TRUE(window.host.told.empty());
}

TEST(Find, NotFoundBeepsTellsAndMovesNothing) {
    FindWindow window(manyLines(100) + u"end\tcell");
    window.box().cursor = {3, 0, 1};
    window.form.onWheel({.notchesY = 3 * wheelNotch}, ShiftMask::None);
    window.settle();
    const int32_t scrolled = window.box().scrY;
    for (const std::u16string needle : {u"absent", u"end\tcell", u"x\nx"}) {
        window.find(needle);
        EXPECT_EQ(window.at(), (CLPos{3, 0, 1}));
        EXPECT_EQ(window.box().scrY, scrolled);
        EXPECT_FALSE(window.box().moving);
    }
    EXPECT_EQ(window.host.surface.beeps, 3);
    ASSERT_EQ(window.host.told.size(), 3u);
    EXPECT_EQ(window.host.told[0], u"\"absent\" was not found.");
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Find, TheViewFollowsTheMatch) {
    FindWindow window(manyLines(150) + u"needle\n" + manyLines(10));
    window.find(u"NEEDLE");
    CLBox& box = window.box();
    EXPECT_EQ(window.at(), (CLPos{150, 0, 6}));
    EXPECT_TRUE(box.moving);
    window.settle();
    const int32_t top = box.lines.weiacc(150);
    EXPECT_LE(box.scrY, top);
    EXPECT_GE(box.scrY + box.viewHeight, top + box.lines.at(150)->height);
}

TEST(Find, F3BeforeAnySearchAsksFirst) {
    FindWindow window(u"a b a");
    window.box().cursor = {0, 0, 5};
    window.host.answers = {u"A"};
    window.form.onKeyDown(F3, ShiftMask::Shift);
    ASSERT_EQ(window.host.prompts.size(), 1u);
    EXPECT_EQ(window.at(), (CLPos{0, 0, 5})); // backward: the last "a" ends at the cursor
    window.form.onKeyDown(F3, ShiftMask::Shift);
    EXPECT_EQ(window.at(), (CLPos{0, 0, 1}));
}

// A search that outlasts its key goes on at the ticks and shows its progress meanwhile;
// the user may stop it, or move on, and then it shows nothing.
struct SlowFindWindow : FindWindow {
    SlowFindWindow() : FindWindow(manyLines(2000) + u"needle") {
        form.setFindPacing({std::chrono::milliseconds(0), std::chrono::milliseconds(0), 50});
    }
    int ticksUntilDone() {
        int ticks = 0;
        for (; ticks < 10000 && host.caption().starts_with(u"finding"); ++ticks)
            form.onTick();
        return ticks;
    }
};

TEST(LongFind, GoesOnAtTheTicksShowingHowFarItHasCome) {
    SlowFindWindow window;
    const std::u16string caption = window.host.caption();
    window.find(u"needle");
    EXPECT_EQ(window.at(), CLPos{});
    ASSERT_EQ(window.host.caption(), u"finding 0%");
    for (int tick = 0; tick < 300; ++tick)
        window.form.onTick();
    EXPECT_TRUE(window.host.caption().starts_with(u"finding ")) << "still searching";
    EXPECT_NE(window.host.caption(), u"finding 0%");
    EXPECT_GT(window.ticksUntilDone(), 0);
    EXPECT_EQ(window.host.caption(), caption);
    EXPECT_EQ(window.at(), (CLPos{2000, 0, 6}));
}

TEST(LongFind, EscapeTypingOrAMoveStopsIt) {
    SlowFindWindow escaped;
    const std::u16string caption = escaped.host.caption();
    escaped.find(u"needle");
    escaped.form.onKeyDown(KeyCode::Escape, ShiftMask::None);
    EXPECT_EQ(escaped.host.caption(), caption);
    EXPECT_EQ(escaped.ticksUntilDone(), 0);

    SlowFindWindow typed;
    typed.find(u"needle");
    typed.type(u"z");
    typed.ticksUntilDone();
    EXPECT_EQ(typed.at(), (CLPos{0, 0, 1}));
    EXPECT_EQ(typed.host.caption(), u"*Columnator");

    SlowFindWindow moved;
    moved.find(u"needle");
    moved.form.onKeyDown(KeyCode::Down, ShiftMask::None);
    moved.ticksUntilDone();
    EXPECT_EQ(moved.at(), (CLPos{1, 0, 0}));
    EXPECT_TRUE(moved.host.told.empty());
}

TEST(GoToLine, GoesToTheStartOfTheLineCountedFromOne) {
    FindWindow window(u"first\n\tsecond\n    third\nlast");
    window.box().cursor = {1, 1, 3};
    struct Row {
        std::u16string answer;
        CLPos expected;
    };
    const std::vector<Row> rows = {
        {u"3", {2, 0, 0}}, // the first cell, an indentation one, not the text's start
        {u"1", {0, 0, 0}},   {u" 2 ", {1, 0, 0}},
        {u"99", {3, 0, 0}}, // the last line
        {u"0", {3, 0, 0}},   {u"-2", {3, 0, 0}},
        {u"abc", {3, 0, 0}}, {u"2x", {3, 0, 0}},
        {u"1.5", {3, 0, 0}}, {u"", {3, 0, 0}},
        {u"002", {1, 0, 0}}, {u"99999999999999999999", {3, 0, 0}},
    };
    std::u16string expectedDefault = u"2";
    for (const Row& row : rows) {
        window.host.answers = {row.answer};
        window.form.onKeyDown(letterKey('G'), ShiftMask::Ctrl);
        ASSERT_FALSE(window.host.prompts.empty());
        EXPECT_EQ(window.host.prompts.back().prompt, u"line:");
        EXPECT_EQ(window.host.prompts.back().title, u"Colnat");
        EXPECT_EQ(window.host.prompts.back().defaultAnswer, expectedDefault);
        EXPECT_EQ(window.at(), row.expected) << "answer \"" << row.answer.size() << " units";
        expectedDefault = std::u16string(1, static_cast<char16_t>(u'1' + window.at().yLine));
    }
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(GoToLine, TheViewFollows) {
    FindWindow window(manyLines(300));
    window.host.answers = {u"250"};
    window.form.onKeyDown(letterKey('G'), ShiftMask::Ctrl);
    window.settle();
    CLBox& box = window.box();
    EXPECT_EQ(window.at(), (CLPos{249, 0, 0}));
    EXPECT_EQ(box.scrY + box.viewHeight, box.lines.weiacc(250)); // at the bottom edge
    window.type(u"y");
    EXPECT_EQ(cellText(box, 249, 0), u"yx");
}

} // namespace
