#include "keys.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyTranslation, KeysReachTheHandlersAsVirtualKeyCodes) {
    const struct Row {
        int qtKey;
        int32_t code;
    } rows[] = {
        {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},   {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},    {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
        {Qt::Key_Home, 36},     {Qt::Key_Left, 37},   {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},     {Qt::Key_S, 83},      {Qt::Key_A, 65},        {Qt::Key_Z, 90},
        {Qt::Key_0, 48},        {Qt::Key_9, 57},      {Qt::Key_F1, 112},      {Qt::Key_Delete, 46},
        {Qt::Key_Shift, 0},     {Qt::Key_unknown, 0}, {Qt::Key_Eacute, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(toKeyCode(row.qtKey), row.code) << std::hex << row.qtKey;
}

TEST(KeyTranslation, ModifiersBecomeTheShiftMask) {
    EXPECT_EQ(toShiftMask(Qt::NoModifier), 0);
    EXPECT_EQ(toShiftMask(Qt::ShiftModifier), 1);
    EXPECT_EQ(toShiftMask(Qt::ControlModifier | Qt::KeypadModifier), 2);
    EXPECT_EQ(toShiftMask(Qt::AltModifier | Qt::MetaModifier), 4);
    EXPECT_EQ(toShiftMask(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 7);
    EXPECT_EQ(toButton(Qt::LeftButton), 1);
    EXPECT_EQ(toButton(Qt::RightButton), 2);
    EXPECT_EQ(toButton(Qt::MiddleButton), 0);
}

TEST(KeyTranslation, TypedTextArrivesOneWholeCharacterAtATime) {
    const QString text = QString::fromUtf16(u"a\u00e9\U0001F600\u6f22\x7f");
    const std::vector<char32_t> want{U'a', U'\u00e9', U'\U0001F600', U'\u6f22'};
    EXPECT_EQ(typedCharacters(text), want);
    EXPECT_TRUE(typedCharacters(QString()).empty());
}

} // namespace
