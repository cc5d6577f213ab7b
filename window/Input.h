#pragma once

#include <cstdint>

// The input the handlers take, in the window design's own codes: Windows virtual-key
// codes and the shift mask of the key events, the buttons of the mouse events. Each front
// end translates its native events into these.

enum class KeyCode : int32_t {
    None = 0,
    Backspace = 8,
    Tab = 9,
    Enter = 13,
    Escape = 27,
    Space = 32,
    PageUp = 33,
    PageDown = 34,
    End = 35,
    Home = 36,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Insert = 45,
    Delete = 46,
    Digit0 = 48,
    A = 65,
    S = 83,
    KeypadPlus = 107,
    KeypadMinus = 109,
    F1 = 112,
    Plus = 187,  // the key that holds = and +
    Minus = 189, // the key that holds - and _
};

// Letters, digits and function keys follow each other in the code table.
constexpr KeyCode letterKey(char upperCaseLetter) {
    return static_cast<KeyCode>(static_cast<int32_t>(KeyCode::A) + (upperCaseLetter - 'A'));
}
constexpr KeyCode digitKey(int32_t digit) {
    return static_cast<KeyCode>(static_cast<int32_t>(KeyCode::Digit0) + digit);
}
constexpr KeyCode functionKey(int32_t number) {
    return static_cast<KeyCode>(static_cast<int32_t>(KeyCode::F1) + number - 1);
}

// The modifier keys held during a key or mouse event, as bits.
enum class ShiftMask : int32_t {
    None = 0,
    Shift = 1,
    Ctrl = 2,
    Alt = 4,
};

constexpr ShiftMask operator|(ShiftMask a, ShiftMask b) {
    return static_cast<ShiftMask>(static_cast<int32_t>(a) | static_cast<int32_t>(b));
}

// Whether every modifier of keys is held in mask; other bits do not matter.
constexpr bool holds(ShiftMask mask, ShiftMask keys) {
    return (static_cast<int32_t>(mask) & static_cast<int32_t>(keys)) == static_cast<int32_t>(keys);
}

enum class MouseButton : int32_t {
    None = 0,
    Left = 1,
    Right = 2,
};

// The platforms' shared wheel unit: a notch of an ordinary wheel reports this much, a
// high-resolution wheel parts of it.
constexpr int32_t wheelNotch = 120;
// In place of a number of lines: a notch scrolls a whole view.
constexpr int32_t wheelScrollsPages = -1;

// One report of the mouse wheel or of a touchpad's scrolling, positive towards the end
// of the text (down, or right). A wheel reports notches, in 1/wheelNotch of one, each
// scrolling linesPerNotch lines (the user's platform setting); a touchpad or a
// high-resolution device that reports pixels scrolls by those instead, on that axis.
struct WheelTurn {
    int32_t notchesX = 0;
    int32_t notchesY = 0;
    double pixelsX = 0;
    double pixelsY = 0;
    int32_t linesPerNotch = 3;
};
