#include "platform/win32/translate.h"

#include "support/Utf16.h"

#include <algorithm>
#include <cstdint>

namespace {
bool isBlank(char16_t unit) {
    return unit == u' ' || unit == u'\t';
}
} // namespace

std::u16string commandLineTail(std::u16string_view commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine.front() == u'"') {
        const size_t closing = commandLine.find(u'"', 1);
        at = closing == std::u16string_view::npos ? commandLine.size() : closing + 1;
    }
    while (at < commandLine.size() && !isBlank(commandLine[at]))
        ++at; // an unquoted name, or what sticks to a quoted one
    while (at < commandLine.size() && isBlank(commandLine[at]))
        ++at;
    return std::u16string(commandLine.substr(at));
}

ShiftMask shiftMaskOf(const ModifierKeys& held) {
    const bool ctrl = held.rightCtrl || (held.leftCtrl && !held.rightAlt);
    ShiftMask mask = ShiftMask::None;
    if (held.shift)
        mask = mask | ShiftMask::Shift;
    if (ctrl)
        mask = mask | ShiftMask::Ctrl;
    if (held.leftAlt || held.rightAlt)
        mask = mask | ShiftMask::Alt;
    return mask;
}

namespace {
// The virtual keys of the modifiers as key messages give them and as the keyboard's state
// holds each side, and the scan code of the right Shift.
constexpr uint32_t shiftKey = 0x10, ctrlKey = 0x11, altKey = 0x12, rightShiftScan = 0x36;
constexpr size_t leftShiftKey = 0xA0, rightShiftKey = 0xA1, leftCtrlKey = 0xA2, rightCtrlKey = 0xA3,
                 leftAltKey = 0xA4, rightAltKey = 0xA5;
} // namespace

void HeldModifiers::onKey(uint32_t virtualKey, uint32_t keyData, bool down) {
    const bool extended = (keyData >> 24 & 1) != 0; // the right Ctrl and Alt
    if (virtualKey == shiftKey)
        ((keyData >> 16 & 0xFF) == rightShiftScan ? rightShift : leftShift) = down;
    else if (virtualKey == ctrlKey)
        (extended ? rightCtrl : leftCtrl) = down;
    else if (virtualKey == altKey)
        (extended ? rightAlt : leftAlt) = down;
}

void HeldModifiers::startFrom(std::span<const uint8_t, 256> keyboard) {
    const auto isDown = [&](size_t key) { return (keyboard[key] & 0x80) != 0; };
    leftShift = isDown(leftShiftKey);
    rightShift = isDown(rightShiftKey);
    leftCtrl = isDown(leftCtrlKey);
    rightCtrl = isDown(rightCtrlKey);
    leftAlt = isDown(leftAltKey);
    rightAlt = isDown(rightAltKey);
}

WheelTurn wheelTurnOf(bool horizontal, int32_t delta, uint32_t linesPerNotch) {
    constexpr uint32_t pageScroll = 0xFFFFFFFF; // WHEEL_PAGESCROLL
    WheelTurn turn;
    (horizontal ? turn.notchesX : turn.notchesY) = horizontal ? delta : -delta;
    turn.linesPerNotch = linesPerNotch == pageScroll
                             ? wheelScrollsPages
                             : static_cast<int32_t>(std::min<uint32_t>(linesPerNotch, INT32_MAX));
    return turn;
}

std::u32string SurrogateJoiner::feed(char16_t unit) {
    std::u32string complete;
    if (pendingHigh != 0 && isLowSurrogate(unit)) {
        complete += combineSurrogates(pendingHigh, unit);
        pendingHigh = 0;
        return complete;
    }
    if (pendingHigh != 0)
        complete += pendingHigh; // its partner never came: hand it on alone
    pendingHigh = 0;
    if (isHighSurrogate(unit))
        pendingHigh = unit;
    else
        complete += unit;
    return complete;
}
