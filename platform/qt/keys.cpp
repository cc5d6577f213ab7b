#include "keys.h"

#include <QList>

#include <array>
#include <utility>

namespace {

constexpr int32_t virtualKeyA = 65, virtualKey0 = 48, virtualKeyF1 = 112;

// Codes of the keys that are not letters, digits or function keys.
constexpr std::array<std::pair<int, int32_t>, 17> namedKeys{{
    {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9}, // what Qt calls Shift+Tab
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
}};

} // namespace

int32_t toKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return virtualKeyA + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return virtualKey0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return virtualKeyF1 + (qtKey - Qt::Key_F1);
    for (const auto& [key, code] : namedKeys)
        if (key == qtKey)
            return code;
    return 0;
}

int32_t toShiftMask(Qt::KeyboardModifiers modifiers) {
    int32_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    return mask;
}

int32_t toButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    default:
        return 0;
    }
}

std::vector<char32_t> typedCharacters(const QString& text) {
    std::vector<char32_t> typed;
    for (const char32_t ch : text.toUcs4()) {
        // Qt types DEL for the Delete key; there is no forward delete to hand it to.
        if (ch != 0x7F)
            typed.push_back(ch);
    }
    return typed;
}
