#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;

TEST(Keys, KeyPressOfControlCodesInsertsNothing) {
    Window window(u"");
    window.box().loadtext(u"ab");
    window.settle();
    for (const char32_t code :
         {U'\b', U'\r', U'\t', U'\x1F', U'\x7F', char32_t{0xD800}, char32_t{0x110000}})
        window.form.onKeyPress(code);
    EXPECT_EQ(window.text(), u"ab");
    window.form.onKeyPress(U'\U0001F600');
    EXPECT_EQ(window.text(), u"\U0001F600ab");
}

TEST(Keys, CtrlIsBitTwoOnly) {
    Window window;
    window.box().loadtext(u"one\n  two\nthree");
    window.settle();
    struct Row {
        KeyCode key;
        ShiftMask shift;
        CLPos expected;
    };
    const std::vector<Row> rows = {
        {KeyCode::End, ShiftMask::Ctrl | ShiftMask::Alt, {2, 0, 5}},
        {KeyCode::Home, ShiftMask::Shift, {2, 0, 0}},
        {KeyCode::Up, ShiftMask::Shift, {1, 0, 0}},
        {KeyCode::End, ShiftMask::None, {1, 0, 5}},
        {KeyCode::Home, ShiftMask::None, {1, 0, 0}},
        {KeyCode::Right, ShiftMask::Shift, {1, 0, 1}},
        {KeyCode::Home, ShiftMask::Ctrl, {0, 0, 0}},
        {KeyCode::S, ShiftMask::Alt, {0, 0, 0}},
    };
    for (const Row& row : rows) {
        window.form.onKeyDown(row.key, row.shift);
        window.settle();
        const CLPos& at = window.box().cursor;
        EXPECT_EQ((CLPos{at.yLine, at.xTab, at.xChar, -1}), row.expected)
            << "key " << static_cast<int>(row.key) << " shift " << static_cast<int>(row.shift);
    }
    EXPECT_TRUE(window.host.errors.empty());
}

} // namespace
