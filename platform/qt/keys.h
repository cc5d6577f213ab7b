#pragma once

#include "window/Input.h"

#include <QPoint>
#include <Qt>

// Translation of Qt's input into the codes the window logic's handlers take.

// The Windows virtual-key code of a Qt key; KeyCode::None for a key that has none.
KeyCode toKeyCode(int qtKey);
ShiftMask toShiftMask(Qt::KeyboardModifiers modifiers);
// MouseButton::None for a button the handlers do not know.
MouseButton toButton(Qt::MouseButton button);
// A wheel event's deltas (angleDelta, pixelDelta) with QApplication::wheelScrollLines().
// Qt counts both axes towards the start of the text, as a wheel turned away from the user
// scrolls; the handler counts towards its end.
WheelTurn toWheelTurn(QPoint angleDelta, QPoint pixelDelta, int linesPerNotch);
