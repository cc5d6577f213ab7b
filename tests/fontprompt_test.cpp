#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;

TEST(FontPrompts, CancelKeepsFontAndSizeAndStillRedraws) {
    Window window;
    window.settle();
    HeadlessSurface& surface = window.host.surface;
    surface.setFontSize(14.2);
    window.form.onResize(360, 199); // the box's cache now holds the size in single precision
    surface.setFontBold(true);
    const size_t frames = window.frames();
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    ASSERT_EQ(window.host.prompts.size(), 2u);
    EXPECT_EQ(window.host.prompts[0].prompt, u"font name:");
    EXPECT_EQ(window.host.prompts[0].title, u"Colnat");
    EXPECT_EQ(window.host.prompts[0].defaultAnswer, u"Verdana");
    EXPECT_EQ(window.host.prompts[1].prompt, u"font size:");
    EXPECT_EQ(window.host.prompts[1].defaultAnswer, u"14.2"); // the size in force, not 0
    EXPECT_EQ(surface.fontName(), u"Verdana");
    EXPECT_FLOAT_EQ(static_cast<float>(surface.fontSize()), 14.2f);
    EXPECT_FALSE(surface.fontBold());
    EXPECT_EQ(window.frames(), frames + 1);
}

// A size that is not a positive number keeps the old one, and the user hears why.
TEST(FontPrompts, SizeIsReadFromItsLeadingNumber) {
    struct Row {
        std::u16string answer;
        double size;
    };
    for (const Row& row : {Row{u"12abc", 12}, Row{u" 7.5pt", 7.5}, Row{u"14.2.1", 14.2},
                           Row{u"abc", 9}, Row{u"-3", 9}, Row{u".", 9}}) {
        Window window;
        window.host.answers = {u"Courier", row.answer};
        window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
        EXPECT_EQ(window.host.surface.fontName(), u"Courier");
        EXPECT_FLOAT_EQ(static_cast<float>(window.host.surface.fontSize()),
                        static_cast<float>(row.size))
            << testing::PrintToString(row.answer);
        EXPECT_EQ(window.box().lineHeight, std::lround(16 * row.size / 9));
        const bool refused = row.size == 9;
        ASSERT_EQ(window.host.errors.size(), refused ? 1u : 0u);
        if (refused) {
            EXPECT_NE(window.host.errors[0].find(u"\"" + row.answer + u"\""), std::u16string::npos);
        }
    }
}

// Every step still runs; what was refused is told in one message at the end.
TEST(FontPrompts, RefusalsAreToldOnceAfterAllSteps) {
    Window window;
    window.settle();
    window.host.surface.missingFonts = {u"Nosuch"};
    window.host.answers = {u"Nosuch", u"abc"};
    const size_t frames = window.frames();
    std::vector<size_t> errorsSeen; // when each dialog opened
    window.host.whileDialogOpen = [&] { errorsSeen.push_back(window.host.errors.size()); };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(errorsSeen, (std::vector<size_t>{0, 0, 1})); // both prompts, then the message
    EXPECT_EQ(window.host.prompts.size(), 2u);
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"\"Nosuch\""), std::u16string::npos);
    EXPECT_NE(window.host.errors[0].find(u"\"abc\""), std::u16string::npos);
    EXPECT_EQ(window.host.surface.fontName(), u"Verdana");
    EXPECT_EQ(window.host.surface.fontSize(), 9);
    EXPECT_EQ(window.frames(), frames + 1);
}

// The text would be taller than 32-bit coordinates hold: the old size stays, and says so.
TEST(FontPrompts, ASizeTooLargeForTheTextIsTakenBack) {
    Window window;
    window.settle();
    const int32_t height = window.box().lines.weiacc(window.box().lines.size());
    window.host.answers = {u"Courier", u"99999999999"};
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    EXPECT_EQ(window.host.surface.fontSize(), 9);
    EXPECT_EQ(window.host.surface.fontName(), u"Verdana");
    EXPECT_EQ(window.box().lines.weiacc(window.box().lines.size()), height);
    EXPECT_EQ(window.host.errors.size(), 1u);
    window.type(u"x"); // and the window goes on
    EXPECT_EQ(window.host.errors.size(), 1u);
}

TEST(FontPrompts, EachStepGoesOnWhenOneFails) {
    Window window;
    window.settle();
    const size_t frames = window.frames();
    window.host.surface.failAfter = 0; // the surface rejects the new size
    window.host.answers = {u"Courier", u"18"};
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    EXPECT_EQ(window.host.surface.fontSize(), 9);
    EXPECT_EQ(window.host.surface.fontName(), u"Courier");
    EXPECT_EQ(window.frames(), frames + 1);
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"\"18\""), std::u16string::npos);
}

} // namespace
