#include "window/frmEditor.h"

#include <array>

// One row of the key table: the key, the modifiers it needs held (others do not matter)
// and what it does. The first row that matches wins, so a row needing Ctrl stands before
// the same key's row without.
struct frmEditor::KeyBinding {
    KeyCode key;
    ShiftMask held;
    Command command;
};

namespace {

using enum KeyCode;
constexpr ShiftMask anyModifiers = ShiftMask::None;

} // namespace

std::optional<frmEditor::Command> frmEditor::commandFor(KeyCode key, ShiftMask shift) {
    using enum Command;
    static constexpr std::array<KeyBinding, 14> keyTable{{
        {Backspace, anyModifiers, DeleteBackwards},
        {Tab, anyModifiers, InsertTab},
        {Enter, anyModifiers, SplitLine},
        {PageUp, anyModifiers, MovePageUp},
        {PageDown, anyModifiers, MovePageDown},
        {End, ShiftMask::Ctrl, MoveToTextEnd},
        {End, anyModifiers, MoveToLineEnd},
        {Home, ShiftMask::Ctrl, MoveToTextStart},
        {Home, anyModifiers, MoveHome},
        {Left, anyModifiers, MoveLeft},
        {Up, anyModifiers, MoveUp},
        {Right, anyModifiers, MoveRight},
        {Down, anyModifiers, MoveDown},
        {S, ShiftMask::Ctrl, Save},
    }};
    for (const KeyBinding& binding : keyTable)
        if (binding.key == key && holds(shift, binding.held))
            return binding.command;
    return std::nullopt;
}

// A key of no row does nothing, not even draw.
void frmEditor::onKeyDown(KeyCode key, ShiftMask shift) {
    const std::optional<Command> command = commandFor(key, shift);
    if (command)
        handle([&] { run(*command); });
}

void frmEditor::run(Command command) {
    switch (command) {
    case Command::DeleteBackwards:
        return editByKey(8);
    case Command::InsertTab:
        return editByKey(9);
    case Command::SplitLine:
        return editByKey(13);
    case Command::MoveRight:
        return move(CursorDirection::Right);
    case Command::MoveLeft:
        return move(CursorDirection::Left);
    case Command::MoveDown:
        return move(CursorDirection::Down);
    case Command::MoveUp:
        return move(CursorDirection::Up);
    case Command::MoveToLineEnd:
        return move(CursorDirection::End);
    case Command::MoveHome:
        return move(CursorDirection::Home);
    case Command::MoveToTextEnd:
        return move(CursorDirection::TextEnd);
    case Command::MoveToTextStart:
        return move(CursorDirection::TextStart);
    case Command::MovePageDown:
        return move(CursorDirection::PageDown);
    case Command::MovePageUp:
        return move(CursorDirection::PageUp);
    case Command::Save:
        if (guarded(u"saving", [&] { save(); }))
            drawUnlessMoving();
        return;
    }
}

void frmEditor::editByKey(char32_t code) {
    if (guarded(u"editing", [&] { box().insertChar(code, box().cursor); }))
        drawUnlessMoving();
}

void frmEditor::move(CursorDirection direction) {
    if (guarded(u"moving the cursor", [&] { box().cursorMove(box().cursor, direction); }))
        drawUnlessMoving();
}

// Backspace, Tab and Enter arrive through key down; a character that is not typable
// does nothing, not even draw.
void frmEditor::onKeyPress(char32_t ch) {
    if (CLBox::isTypable(ch))
        handle([&] { type(ch); });
}

void frmEditor::type(char32_t ch) {
    if (guarded(u"typing", [&] { box().insertChar(ch, box().cursor); }))
        drawUnlessMoving();
}
