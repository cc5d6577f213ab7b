#pragma once

#include <QString>
#include <Qt>

#include <cstdint>
#include <vector>

// Translation of Qt's input into the codes the window logic's handlers take.

// The Windows virtual-key code of a Qt key, or 0 for a key the handlers have no code for.
int32_t toKeyCode(int qtKey);
// Shift 1, Ctrl 2, Alt 4.
int32_t toShiftMask(Qt::KeyboardModifiers modifiers);
// Left 1, right 2, or 0 for a button the handlers do not know.
int32_t toButton(Qt::MouseButton button);
// The characters a key press or an input-method commit types, astral ones whole.
std::vector<char32_t> typedCharacters(const QString& text);
