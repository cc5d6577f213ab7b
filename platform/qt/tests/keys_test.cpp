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
        {Qt::Key_0, 48},        {Qt::Key_9, 57},      {Qt::Key_F1, 112},      {Qt::Key_F12, 123},
        {Qt::Key_Delete, 46},   {Qt::Key_Shift, 0},   {Qt::Key_unknown, 0},   {Qt::Key_Eacute, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(static_cast<int32_t>(toKeyCode(row.qtKey)), row.code) << std::hex << row.qtKey;
}

TEST(KeyTranslation, ModifiersBecomeTheShiftMask) {
    const struct Row {
        Qt::KeyboardModifiers modifiers;
        int32_t mask;
    } rows[] = {
        {Qt::NoModifier, 0},
        {Qt::ShiftModifier, 1},
        {Qt::ControlModifier | Qt::KeypadModifier, 2},
        {Qt::AltModifier | Qt::MetaModifier, 4},
        {Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, 7},
    };
    for (const Row& row : rows)
        EXPECT_EQ(static_cast<int32_t>(toShiftMask(row.modifiers)), row.mask);
    EXPECT_EQ(toButton(Qt::LeftButton), MouseButton::Left);
    EXPECT_EQ(toButton(Qt::RightButton), MouseButton::Right);
    EXPECT_EQ(toButton(Qt::MiddleButton), MouseButton::None);
}

// A wheel turned away from the user, or tilted left, scrolls towards the text's start.
TEST(KeyTranslation, WheelDeltasCountTowardsTheEndOfTheText) {
    const WheelTurn down = toWheelTurn(QPoint(0, -120), QPoint(), 3);
    EXPECT_EQ(down.notchesY, wheelNotch);
    EXPECT_EQ(down.notchesX, 0);
    EXPECT_EQ(down.pixelsY, 0);
    EXPECT_EQ(down.linesPerNotch, 3);
    const WheelTurn swipe = toWheelTurn(QPoint(120, 15), QPoint(8, 5), 5);
    EXPECT_EQ(swipe.notchesX, -wheelNotch); // left
    EXPECT_EQ(swipe.pixelsX, -8);
    EXPECT_EQ(swipe.pixelsY, -5); // up
    EXPECT_EQ(swipe.linesPerNotch, 5);
}

} // namespace
