#include "window/KeyTable.h"

#include <cstdint>
#include <string>

namespace {

std::u16string ascii(const std::string& text) {
    return {text.begin(), text.end()};
}

std::u16string bareKeyName(KeyCode key) {
    using enum KeyCode;
    const auto code = static_cast<int32_t>(key);
    switch (key) {
    case Backspace:
        return u"Backspace";
    case Tab:
        return u"Tab";
    case Enter:
        return u"Enter";
    case Escape:
        return u"Escape";
    case Space:
        return u"Space";
    case PageUp:
        return u"Page Up";
    case PageDown:
        return u"Page Down";
    case End:
        return u"End";
    case Home:
        return u"Home";
    case Left:
        return u"Left";
    case Up:
        return u"Up";
    case Right:
        return u"Right";
    case Down:
        return u"Down";
    case Insert:
        return u"Insert";
    case Delete:
        return u"Delete";
    case Plus:
        return u"Plus";
    case KeypadPlus:
        return u"Keypad Plus";
    case Minus:
        return u"Minus";
    case KeypadMinus:
        return u"Keypad Minus";
    default:
        break;
    }
    if (key >= letterKey('A') && key <= letterKey('Z'))
        return std::u16string(1, static_cast<char16_t>(u'A' + (code - static_cast<int32_t>(A))));
    if (key >= digitKey(0) && key <= digitKey(9))
        return std::u16string(1,
                              static_cast<char16_t>(u'0' + (code - static_cast<int32_t>(Digit0))));
    if (key >= functionKey(1) && key <= functionKey(24))
        return u"F" + ascii(std::to_string(code - static_cast<int32_t>(F1) + 1));
    return u"Key " + ascii(std::to_string(code));
}

} // namespace

// Ctrl first, then Shift, then Alt, as the manual page writes them.
std::u16string keyName(KeyCode key, ShiftMask held) {
    if (key == KeyCode::None)
        return {};
    std::u16string name;
    if (holds(held, ShiftMask::Ctrl))
        name += u"Ctrl+";
    if (holds(held, ShiftMask::Shift))
        name += u"Shift+";
    if (holds(held, ShiftMask::Alt))
        name += u"Alt+";
    return name + bareKeyName(key);
}
