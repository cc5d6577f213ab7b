#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

namespace {

using Window = HeadlessWindow;

double fontSize(Window& window) {
    return window.host.surface.fontSize();
}

void zoomKey(Window& window, KeyCode key) {
    window.form.onKeyDown(key, ShiftMask::Ctrl);
}

void ctrlWheel(Window& window, int32_t notchesY) {
    window.form.onWheel({0, notchesY, 0, 0, 3}, ShiftMask::Ctrl);
}

// Random runs of the zoom keys and Ctrl+wheel against a count of net steps: each size lies
// within the bounds, about a tenth from the one before, the same size for the same count,
// and Ctrl+0 brings back the start's size. The line height follows the size.
TEST(Zoom, StepsStayInBoundsAndComeBack) {
    std::mt19937 random(28);
    for (int run = 0; run < 20; ++run) {
        Window window;
        window.settle();
        std::map<int32_t, double> sizeAtStep{{0, 9.0}};
        int32_t steps = 0;
        for (int k = 0; k < 40; ++k) {
            const double before = fontSize(window);
            const int32_t choice = static_cast<int32_t>(random() % 6);
            const bool up = choice % 2 == 0;
            if (choice < 2)
                zoomKey(window, up ? KeyCode::Plus : KeyCode::Minus);
            else if (choice < 4)
                zoomKey(window, up ? KeyCode::KeypadPlus : KeyCode::KeypadMinus);
            else
                ctrlWheel(window, up ? -wheelNotch : wheelNotch);
            const double after = fontSize(window);
            ASSERT_GE(after, 4.0);
            ASSERT_LE(after, 96.0);
            if (after == before) {
                ASSERT_EQ(before, up ? 96.0 : 4.0) << "only a bound stops a step";
                continue;
            }
            steps += up ? 1 : -1;
            ASSERT_EQ(after > before, up);
            const double ratio = up ? after / before : before / after;
            if (after != 96.0 && after != 4.0) {
                ASSERT_NEAR(ratio, 1.1, 0.06); // sizes are kept to a tenth of a point
            }
            if (sizeAtStep.count(steps) != 0) {
                ASSERT_EQ(after, sizeAtStep[steps]) << "the same step, the same size";
            }
            sizeAtStep[steps] = after;
            ASSERT_EQ(window.box().lineHeight, std::lround(16 * after / 9));
        }
        zoomKey(window, digitKey(0));
        EXPECT_EQ(fontSize(window), 9.0);
    }
}

// Ctrl+0 goes back to the size the right-click prompt set last, not the start's; with no
// step taken since, it does nothing at all, not even draw.
TEST(Zoom, BackGoesToThePromptsSize) {
    Window window;
    window.settle();
    zoomKey(window, KeyCode::Plus);
    window.host.answers = {u"", u"12"};
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    ASSERT_EQ(fontSize(window), 12.0);
    zoomKey(window, KeyCode::Plus);
    zoomKey(window, KeyCode::Plus);
    EXPECT_NEAR(fontSize(window), 14.5, 0.05);
    zoomKey(window, digitKey(0));
    EXPECT_EQ(fontSize(window), 12.0);
    const size_t frames = window.frames();
    zoomKey(window, digitKey(0));
    EXPECT_EQ(fontSize(window), 12.0);
    EXPECT_EQ(window.frames(), frames);
    EXPECT_TRUE(window.host.errors.empty());
}

// Parts of a notch add up to a step; without Ctrl the wheel still scrolls and zooms not.
TEST(Zoom, WheelNotchesAddUpAndPlainWheelScrolls) {
    Window window;
    window.box().loadtext(manyLines(500));
    window.settle();
    ctrlWheel(window, -wheelNotch / 2);
    EXPECT_EQ(fontSize(window), 9.0);
    ctrlWheel(window, -wheelNotch / 2);
    EXPECT_NEAR(fontSize(window), 9.9, 1e-4);
    EXPECT_EQ(window.box().scrY, 0);
    window.form.onWheel({0, wheelNotch, 0, 0, 3}, ShiftMask::None);
    EXPECT_NEAR(fontSize(window), 9.9, 1e-4);
    EXPECT_GT(window.box().scrY, 0);
}

// Deep in a long text, the cursor's line stays where it stood in the view while the text
// grows and shrinks around it, and the view shows the cursor.
TEST(Zoom, TheCursorsLineKeepsItsPlaceInTheView) {
    Window window;
    window.box().loadtext(manyLines(2000));
    window.settle();
    for (int k = 0; k < 60; ++k)
        window.form.onKeyDown(KeyCode::PageDown, ShiftMask::None);
    window.form.onKeyDown(KeyCode::Up, ShiftMask::None);
    window.settle();
    CLBox& box = window.box();
    const auto lineInView = [&] { return box.lines.weiacc(box.cursor.yLine) - box.scrY; };
    const int32_t line = box.cursor.yLine, place = lineInView();
    ASSERT_GT(line, 100);
    for (const KeyCode key :
         {KeyCode::Plus, KeyCode::Plus, KeyCode::Minus, KeyCode::Minus, KeyCode::Minus}) {
        const int32_t height = box.lineHeight;
        zoomKey(window, key);
        ASSERT_NE(box.lineHeight, height);
        EXPECT_EQ(box.cursor.yLine, line);
        EXPECT_NEAR(lineInView(), place, 1);
        EXPECT_FALSE(box.moving);
    }
}

} // namespace
