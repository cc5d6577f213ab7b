#include "QtHost.h"
#include "QtSurface.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What is copied comes back whole: line ends as they are, astral characters, no end added.
TEST(QtClipboard, GivesBackTheTextItWasGiven) {
    QtSurface surface(10, 10);
    WindowHost host(surface);
    for (const std::u16string text : {u"a\tb\r\nc\nd\re", u"\U0001F600", u""}) {
        host.setClipboardText(text);
        EXPECT_EQ(host.clipboardText(), text);
    }
}

} // namespace
