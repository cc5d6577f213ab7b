#include "keys.h"

#include <array>
#include <utility>

namespace {

// The keys that are not letters, digits or function keys.
constexpr std::array<std::pair<int, KeyCode>, 20> namedKeys{{
    {Qt::Key_Backspace, KeyCode::Backspace},
    {Qt::Key_Tab, KeyCode::Tab},
    {Qt::Key_Backtab, KeyCode::Tab}, // what Qt calls Shift+Tab
    {Qt::Key_Return, KeyCode::Enter},
    {Qt::Key_Enter, KeyCode::Enter},
    {Qt::Key_Escape, KeyCode::Escape},
    {Qt::Key_Space, KeyCode::Space},
    {Qt::Key_PageUp, KeyCode::PageUp},
    {Qt::Key_PageDown, KeyCode::PageDown},
    {Qt::Key_End, KeyCode::End},
    {Qt::Key_Home, KeyCode::Home},
    {Qt::Key_Left, KeyCode::Left},
    {Qt::Key_Up, KeyCode::Up},
    {Qt::Key_Right, KeyCode::Right},
    {Qt::Key_Down, KeyCode::Down},
    {Qt::Key_Insert, KeyCode::Insert},
    {Qt::Key_Delete, KeyCode::Delete},
    {Qt::Key_Equal, KeyCode::Plus},
    {Qt::Key_Plus, KeyCode::KeypadPlus}, // the keypad's, or = with Shift: both zoom in
    {Qt::Key_Minus, KeyCode::Minus},
}};

} // namespace

KeyCode toKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return letterKey(static_cast<char>('A' + (qtKey - Qt::Key_A)));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return digitKey(qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return functionKey(1 + (qtKey - Qt::Key_F1));
    for (const auto& [key, code] : namedKeys)
        if (key == qtKey)
            return code;
    return KeyCode::None;
}

ShiftMask toShiftMask(Qt::KeyboardModifiers modifiers) {
    ShiftMask mask = ShiftMask::None;
    if (modifiers & Qt::ShiftModifier)
        mask = mask | ShiftMask::Shift;
    if (modifiers & Qt::ControlModifier)
        mask = mask | ShiftMask::Ctrl;
    if (modifiers & Qt::AltModifier)
        mask = mask | ShiftMask::Alt;
    return mask;
}

MouseButton toButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    default:
        return MouseButton::None;
    }
}

WheelTurn toWheelTurn(QPoint angleDelta, QPoint pixelDelta, int linesPerNotch) {
    return {-angleDelta.x(), -angleDelta.y(), -static_cast<double>(pixelDelta.x()),
            -static_cast<double>(pixelDelta.y()), linesPerNotch};
}
