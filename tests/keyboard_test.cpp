#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <map>
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

// Every row of the command table is reachable by its own key (no row before it takes the
// key), its key has a name, only the keys that move and type go without a name, and a name
// runs one thing.
TEST(CommandTable, EveryRowIsReachableNamedAndOneCommandToAName) {
    std::map<std::u16string_view, KeyAction::Kind> kindOfName;
    for (const CommandRow& row : commandTable()) {
        const bool movesOrTypes =
            row.action.kind == KeyAction::Kind::Edit || row.action.kind == KeyAction::Kind::Move;
        EXPECT_EQ(row.name.empty(), movesOrTypes)
            << testing::PrintToString(std::u16string(row.name));
        if (!row.name.empty()) {
            const auto [known, added] = kindOfName.emplace(row.name, row.action.kind);
            EXPECT_EQ(known->second, row.action.kind)
                << testing::PrintToString(std::u16string(row.name));
        }
        if (row.key == KeyCode::None)
            continue;
        const std::u16string key = keyName(row.key, row.held);
        EXPECT_EQ(key.find(u"Key "), std::u16string::npos) << testing::PrintToString(key);
        const std::optional<KeyAction> action = actionFor(row.key, row.held);
        ASSERT_TRUE(action) << testing::PrintToString(key);
        EXPECT_EQ(action->kind, row.action.kind) << testing::PrintToString(key);
        EXPECT_EQ(action->code, row.action.code) << testing::PrintToString(key);
        EXPECT_EQ(action->direction, row.action.direction) << testing::PrintToString(key);
    }
    EXPECT_FALSE(actionFor(KeyCode::None, ShiftMask::None));
    EXPECT_EQ(keyName(functionKey(3), ShiftMask::Shift), u"Shift+F3");
    EXPECT_EQ(keyName(letterKey('Z'), ShiftMask::Ctrl | ShiftMask::Shift), u"Ctrl+Shift+Z");
    EXPECT_EQ(keyName(KeyCode::PageUp, ShiftMask::None), u"Page Up");
}

} // namespace
