#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using Window = HeadlessWindow;

// The headless font: 16 px a line, so a notch of three lines is 48 px.
constexpr int32_t notchPixels = 3 * 16;

WheelTurn notchesDown(int32_t notches) {
    return {.notchesY = notches * wheelNotch};
}

// A window of lines "x", settled at the top.
struct ScrolledWindow : Window {
    explicit ScrolledWindow(int lines = 200) {
        box().loadtext(manyLines(lines));
        settle();
    }
    int32_t lowestScrollY() { return box().lines.weiacc(box().lines.size()) - box().viewHeight; }
};

TEST(Wheel, NotchesScrollTheViewNotTheCursorAndAClickLandsUnderThePointer) {
    ScrolledWindow window;
    CLBox& box = window.box();
    const size_t frames = window.frames();
    for (int notch = 0; notch < 5; ++notch)
        window.form.onWheel(notchesDown(1), ShiftMask::None);
    EXPECT_EQ(box.scrY, 5 * notchPixels);
    EXPECT_EQ(box.cursor, CLPos{});
    EXPECT_EQ(window.frames(), frames); // the glide draws, at the next tick
    window.settle();
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 1, 1);
    window.type(u"a");
    EXPECT_EQ(cellText(box, 15, 0), u"ax"); // line 16, counted from 1
}

TEST(Wheel, TheTargetStaysBetweenTheTopAndTheBottomThatFollowingUses) {
    ScrolledWindow window;
    CLBox& box = window.box();
    window.form.onWheel(notchesDown(-2), ShiftMask::None);
    EXPECT_EQ(box.scrY, 0);
    EXPECT_FALSE(box.moving); // nothing to glide to
    window.form.onWheel(notchesDown(1000), ShiftMask::None);
    EXPECT_EQ(box.scrY, window.lowestScrollY());
    window.settle();
    window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl); // cursor following, to the end
    window.settle();
    EXPECT_EQ(box.scrY, window.lowestScrollY());
    window.form.onWheel(notchesDown(1), ShiftMask::None);
    EXPECT_EQ(box.scrY, window.lowestScrollY());
    EXPECT_FALSE(box.moving);

    ScrolledWindow shortText(3); // shorter than the view: nowhere to scroll
    shortText.form.onWheel(notchesDown(4), ShiftMask::None);
    EXPECT_EQ(shortText.box().scrY, 0);
}

TEST(Wheel, ShiftAndTheHorizontalWheelScrollSidewaysNotLeftOfTheStart) {
    ScrolledWindow window;
    CLBox& box = window.box();
    window.form.onWheel(notchesDown(2), ShiftMask::Shift);
    EXPECT_EQ(box.scrX, 2 * notchPixels);
    EXPECT_EQ(box.scrY, 0);
    window.form.onWheel({.notchesX = -wheelNotch}, ShiftMask::None);
    EXPECT_EQ(box.scrX, notchPixels);
    window.form.onWheel({.notchesX = -5 * wheelNotch}, ShiftMask::None);
    EXPECT_EQ(box.scrX, 0);
    window.form.onWheel({.pixelsY = 30}, ShiftMask::Shift);
    EXPECT_EQ(box.scrX, 30);
    EXPECT_EQ(box.scrY, 0);
}

TEST(Wheel, PixelsPartsOfNotchesAndPagesScrollWhatTheyReport) {
    ScrolledWindow window;
    CLBox& box = window.box();
    window.form.onWheel({.pixelsY = 10.0, .linesPerNotch = 7}, ShiftMask::None);
    EXPECT_EQ(box.scrY, 10);
    for (int step = 0; step < 3; ++step) // a third of a notch of one line: 16/3 px each
        window.form.onWheel({.notchesY = 40, .linesPerNotch = 1}, ShiftMask::None);
    EXPECT_EQ(box.scrY, 10 + 16);
    for (int step = 0; step < 4; ++step)
        window.form.onWheel({.pixelsY = 0.5}, ShiftMask::None);
    EXPECT_EQ(box.scrY, 10 + 16 + 2);
    window.form.onWheel({.notchesY = wheelNotch, .linesPerNotch = wheelScrollsPages},
                        ShiftMask::None);
    EXPECT_EQ(box.scrY, 10 + 16 + 2 + box.viewHeight);
    window.form.onWheel(
        {.notchesY = 1000 * wheelNotch, .pixelsY = std::nan(""), .linesPerNotch = 2000000000},
        ShiftMask::None); // no pixels to take, and far past the end

    EXPECT_EQ(box.scrY, window.lowestScrollY());
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Wheel, ABurstDuringAGlideBendsItAndCostsAFrameATickAtMost) {
    ScrolledWindow window;
    CLBox& box = window.box();
    window.form.onWheel(notchesDown(1), ShiftMask::None);
    window.form.onTick();
    const double shown = box.scrmovY;
    EXPECT_GT(shown, 0);
    const size_t frames = window.frames();
    for (int notch = 0; notch < 10; ++notch)
        window.form.onWheel(notchesDown(1), ShiftMask::None);
    EXPECT_EQ(window.frames(), frames);
    EXPECT_EQ(box.scrmovY, shown); // the glide goes on from where it is
    int ticks = 0;
    for (; ticks < 1000 && box.moving; ++ticks) {
        const size_t before = window.frames();
        window.form.onTick();
        ASSERT_LE(window.frames(), before + 1);
    }
    EXPECT_EQ(box.scrY, 11 * notchPixels);
    EXPECT_NEAR(box.scrmovY, box.scrY, 0.5);
}

TEST(Wheel, TheNextMoveBringsTheViewBackToTheCursor) {
    ScrolledWindow window;
    CLBox& box = window.box();
    window.form.onWheel(notchesDown(10), ShiftMask::None);
    window.settle();
    window.form.onKeyDown(KeyCode::Right, ShiftMask::None);
    EXPECT_EQ(box.scrY, 0);
    window.settle();
    window.form.onWheel(notchesDown(10), ShiftMask::None);
    window.settle();
    window.type(u"b");
    EXPECT_EQ(box.scrY, 0);
    EXPECT_EQ(cellText(box, 0, 0), u"xb");
}

TEST(Mouse, RightDownAndLeftUpDoNothing) {
    Window window;
    window.settle();
    window.host.surface.calls.clear();
    const CLPos before = window.box().cursor;
    window.form.onMouseDown(MouseButton::Right, ShiftMask::None, 50, 50);
    window.form.onMouseUp(MouseButton::Left, ShiftMask::None, 50, 50);
    EXPECT_TRUE(window.host.surface.calls.empty());
    EXPECT_TRUE(window.host.prompts.empty());
    EXPECT_EQ(window.box().cursor, before);
}

TEST(Mouse, LeftClickMapsThroughTheShownOffsetsWithoutFollowing) {
    Window window;
    window.settle();
    CLBox& box = window.box();
    box.scrmovY = 40.4; // shown 40 px down while the target stays at the top
    const size_t frames = window.frames();
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 10.5, 10.5);
    EXPECT_EQ(box.cursor, box.XYToPos(10, 50, false));
    EXPECT_EQ(box.scrY, 0);
    EXPECT_FALSE(box.moving);
    EXPECT_EQ(window.frames(), frames + 1);
}

} // namespace
