#pragma once

#include "window/Input.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Pure pieces of turning Win32 input into handler arguments, kept apart from the
// window so they can be tested without one.

// What follows the program name in a process command line as GetCommandLineW gives
// it: the name ends at its closing quote, or at the first blank when unquoted; the
// blanks that separate it from the rest are dropped, the rest is kept as it is.
std::u16string commandLineTail(std::u16string_view commandLine);

// The modifier keys held, each side apart.
struct ModifierKeys {
    bool shift = false;
    bool leftCtrl = false;
    bool rightCtrl = false;
    bool leftAlt = false;
    bool rightAlt = false;
};

// Windows delivers AltGr as the left Ctrl together with the right Alt, so AltGr+S (a
// character on many keyboards) would read as Ctrl+Alt+S. While the right Alt is held,
// only the right Ctrl counts as Ctrl.
ShiftMask shiftMaskOf(const ModifierKeys& held);

// The modifier keys held, followed from the key messages the window receives, so that a
// key or a mouse event need not ask the system for the whole keyboard's state: under wine
// each such question waits for its server. The window starts it again from that state when
// it gains the focus, as it misses the keys pressed or let go in other windows.
class HeldModifiers {
public:
    // A WM_KEYDOWN or WM_SYSKEYDOWN (down), or a WM_KEYUP or WM_SYSKEYUP, of virtualKey;
    // keyData, the message's lParam, tells the two Shift, Ctrl and Alt keys apart.
    void onKey(uint32_t virtualKey, uint32_t keyData, bool down);
    // From the state of every key, as GetKeyboardState gives it.
    void startFrom(std::span<const uint8_t, 256> keyboard);
    ModifierKeys held() const {
        return {leftShift || rightShift, leftCtrl, rightCtrl, leftAlt, rightAlt};
    }

private:
    bool leftShift = false, rightShift = false;
    bool leftCtrl = false, rightCtrl = false;
    bool leftAlt = false, rightAlt = false;
};

// A WM_MOUSEWHEEL (vertical) or WM_MOUSEHWHEEL (horizontal) report's delta, with the
// user's SPI_GETWHEELSCROLLLINES setting, whose largest value (WHEEL_PAGESCROLL) scrolls a
// page a notch. Windows counts the vertical wheel towards the start of the text and the
// horizontal one towards its end; the handler counts both towards the end.
WheelTurn wheelTurnOf(bool horizontal, int32_t delta, uint32_t linesPerNotch);

// WM_CHAR delivers UTF-16 units; a character outside the BMP comes as two messages.
// Each unit fed in gives the characters it completes: none for a high surrogate that
// waits for its partner, two when a waiting half turns out to be unpaired.
class SurrogateJoiner {
public:
    std::u32string feed(char16_t unit);

private:
    char16_t pendingHigh = 0;
};
