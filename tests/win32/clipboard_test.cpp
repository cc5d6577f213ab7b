#include "platform/win32/Clipboard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What is copied comes back whole: line ends as they are, astral characters; a text cut
// at the first NUL, as the format ends there.
// The clipboard takes text only from a window that owns it.
TEST(Win32Clipboard, GivesBackTheTextItWasGiven) {
    const HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    for (const std::u16string text : {u"a\tb\r\nc\nd\re", u"\U0001F600", u""}) {
        clipboard::setText(owner, text);
        EXPECT_EQ(clipboard::text(owner), text);
    }
    clipboard::setText(owner, std::u16string(u"ab\0cd", 5));
    EXPECT_EQ(clipboard::text(owner), u"ab");
    DestroyWindow(owner);
}

} // namespace
