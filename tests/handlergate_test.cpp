#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;
using Call = HeadlessSurface::Call;

TEST(Handlers, ASurfaceFailureIsReportedNotThrown) {
    Window window;
    window.host.surface.failAfter = 0;
    EXPECT_NO_THROW(window.form.onResize(100, 100));
    EXPECT_EQ(window.host.errors.size(), 1u);
    window.form.onResize(200, 100);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.box().viewWidth, 200);
}

// A platform goes on delivering events while a dialog of ours is open. None of them may
// run inside the handler that opened it: ticks and input are dropped, and the last
// resize is handled once that handler has ended.
TEST(HandlerGate, TicksAndInputDuringADialogAreDropped) {
    Window window;
    window.startGlideDown(100); // a glide the ticks would carry on
    const std::u16string text = window.text();
    const CLPos cursor = window.box().cursor;
    window.host.whileDialogOpen = [&] {
        window.host.surface.calls.clear();
        for (int tick = 0; tick < 5; ++tick)
            window.form.onTick();
        window.form.onKeyPress(u'x');
        window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl);
        window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 30, 30);
        window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 30, 30);
        window.form.onDrop({u"elsewhere.txt"});
        window.form.onLoad(u"elsewhere.txt");
        EXPECT_TRUE(window.host.surface.calls.empty());
        EXPECT_EQ(window.box().scrmovY, 0);
    };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(window.host.prompts.size(), 2u); // the nested right click asked nothing
    EXPECT_EQ(window.text(), text);
    EXPECT_EQ(window.box().cursor, cursor);
    EXPECT_EQ(std::count(window.host.captions.begin(), window.host.captions.end(), u"loading"), 0);
    window.form.onTick(); // and afterwards the glide goes on
    EXPECT_EQ(window.box().scrmovY, 30);
}

TEST(HandlerGate, AResizeDuringADialogIsHandledAfterIt) {
    Window window;
    window.settle();
    window.host.whileDialogOpen = [&] {
        window.form.onResize(300, 120);
        window.form.onResize(200, 100); // the last one counts
        EXPECT_EQ(window.host.surface.scaleWidth(), windowDesign::startWidth);
        window.host.surface.calls.clear();
    };
    window.host.answers = {u"Courier"};
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(window.host.surface.scaleWidth(), 200);
    EXPECT_EQ(window.host.surface.scaleHeight(), 100);
    EXPECT_EQ(window.box().viewWidth, 200);
    EXPECT_EQ(window.frames(), 2u); // the font change's frame, then the resize's
}

// A resize that arrives while an error is shown is handled after it, and a failing
// resize inside that is reported in turn without nesting.
TEST(HandlerGate, AResizeDuringAnErrorMessageFollowsIt) {
    Window window;
    window.settle();
    int depth = 0, deepest = 0;
    window.host.whileDialogOpen = [&] {
        deepest = std::max(deepest, ++depth);
        window.form.onResize(250, 90);
        --depth;
    };
    window.form.onDrop({u"/no such folder/file.txt"}); // an error
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.box().viewWidth, 250);
}

// A platform's own failure is told like the handlers' own, but never inside one.
TEST(HandlerGate, APlatformFailureDuringADialogIsToldAfterIt) {
    Window window;
    window.settle();
    std::vector<size_t> errorsSeen; // when each dialog opened
    window.host.whileDialogOpen = [&] {
        if (errorsSeen.empty())
            window.form.onFailure(u"the window cannot be painted");
        errorsSeen.push_back(window.host.errors.size());
    };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(errorsSeen, (std::vector<size_t>{0, 0, 1})); // both prompts, then the message
    EXPECT_EQ(window.host.errors, (std::vector<std::u16string>{u"the window cannot be painted"}));
}

TEST(HandlerGate, NothingRunsBeforeStartUpButTheLastResizeFollowsIt) {
    HeadlessHost host;
    frmEditor form(host);
    form.onTick();
    form.onKeyPress(u'x');
    form.onMouseDown(MouseButton::Left, ShiftMask::None, 10, 10);
    form.onResize(300, 150);
    EXPECT_TRUE(host.surface.calls.empty()); // not even bound yet
    form.onLoad(u"");
    EXPECT_EQ(host.surface.scaleWidth(), 300);
    EXPECT_EQ(form.box().viewHeight, 150);
    EXPECT_EQ(host.surface.callsOf(Call::Show).size(), 1u);
    EXPECT_EQ(form.box().gettext().substr(0, 4), u"drag");
    form.onLoad(u"again"); // start-up runs once
    EXPECT_TRUE(host.errors.empty());
}

// A line too wide for 32-bit coordinates cannot be drawn while it is in view; saying so
// on every key and tick would make the window unusable.
TEST(RecurringFailures, AFrameThatCannotBeDrawnIsReportedOncePerCause) {
    Window window;
    window.box().loadtext(u"");
    window.settle();
    window.host.surface.advance = [](char16_t unit) { return unit == u'W' ? 1.5e9 : 7.0; };
    window.type(u"W");
    window.form.onKeyDown(KeyCode::Tab, ShiftMask::None);
    window.type(u"W");
    window.form.onKeyDown(KeyCode::Tab, ShiftMask::None); // the first cell is now too wide
    for (int tick = 0; tick < 20; ++tick)
        window.form.onTick();
    window.type(u"abc");
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"drawing"), std::u16string::npos);
    EXPECT_EQ(window.text(), u"W\tW\tabc");

    window.form.onKeyDown(KeyCode::Home, ShiftMask::Ctrl);
    window.form.onKeyDown(KeyCode::Right, ShiftMask::None);
    window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None); // the cause goes
    window.settle();
    const size_t frames = window.frames();
    window.type(u"W"); // and comes back: told again
    window.settle();
    EXPECT_EQ(window.host.errors.size(), 2u);
    EXPECT_EQ(window.frames(), frames);
}

// A picture that cannot take the new size keeps its old one and frame; a drag through
// sizes too large says so once.
TEST(RecurringFailures, AResizeThatCannotBeAllocatedKeepsTheOldPicture) {
    Window window;
    window.settle();
    window.host.largestPicturePixels = 1000 * 1000;
    const size_t frames = window.frames();
    for (const int32_t side : {2000, 3000, 4000})
        window.form.onResize(side, side);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.host.surface.scaleWidth(), windowDesign::startWidth);
    EXPECT_EQ(window.frames(), frames);
    window.form.onResize(500, 400);
    EXPECT_EQ(window.box().viewWidth, 500);
    window.form.onResize(5000, 5000);
    EXPECT_EQ(window.host.errors.size(), 2u);
    EXPECT_EQ(window.box().viewWidth, 500);
}

} // namespace
