#include "window/KeyTable.h"
#include "window/frmEditor.h"

#include <array>

namespace {

// One row of the key table: the key, the modifiers it needs held (others do not matter)
// and what it does. The first row that matches wins, so a row needing Ctrl stands before
// the same key's row without.
struct KeyBinding {
    KeyCode key;
    ShiftMask held;
    KeyAction action;
};

} // namespace

std::optional<KeyAction> actionFor(KeyCode key, ShiftMask shift) {
    using enum KeyCode;
    using Kind = KeyAction::Kind;
    constexpr ShiftMask any = ShiftMask::None;
    constexpr auto edit = [](char32_t code) { return KeyAction{Kind::Edit, code}; };
    constexpr auto move = [](CursorDirection to) { return KeyAction{Kind::Move, 0, to}; };
    static constexpr std::array<KeyBinding, 35> keyTable{{
        {Backspace, any, edit(CLBox::backspaceCode)},
        {Tab, any, edit(CLBox::tabCode)},
        {Enter, any, edit(CLBox::enterCode)},
        {PageUp, any, move(CursorDirection::PageUp)},
        {PageDown, any, move(CursorDirection::PageDown)},
        {End, ShiftMask::Ctrl, move(CursorDirection::TextEnd)},
        {End, any, move(CursorDirection::End)},
        {Home, ShiftMask::Ctrl, move(CursorDirection::TextStart)},
        {Home, any, move(CursorDirection::Home)},
        {Left, any, move(CursorDirection::Left)},
        {Up, any, move(CursorDirection::Up)},
        {Right, any, move(CursorDirection::Right)},
        {Down, any, move(CursorDirection::Down)},
        {S, ShiftMask::Ctrl, {Kind::Save}},
        {functionKey(12), any, {Kind::SaveAs}},
        {letterKey('O'), ShiftMask::Ctrl, {Kind::Open}},
        {Delete, any, {Kind::Delete}},
        {letterKey('Z'), ShiftMask::Ctrl | ShiftMask::Shift, {Kind::Redo}},
        {letterKey('Z'), ShiftMask::Ctrl, {Kind::Undo}},
        {letterKey('Y'), ShiftMask::Ctrl, {Kind::Redo}},
        {A, ShiftMask::Ctrl, {Kind::SelectAll}},
        {letterKey('C'), ShiftMask::Ctrl | ShiftMask::Shift, {Kind::CopyAligned}},
        {letterKey('C'), ShiftMask::Ctrl, {Kind::Copy}},
        {letterKey('X'), ShiftMask::Ctrl, {Kind::Cut}},
        {letterKey('V'), ShiftMask::Ctrl, {Kind::Paste}},
        {letterKey('F'), ShiftMask::Ctrl, {Kind::Find}},
        {functionKey(3), ShiftMask::Shift, {Kind::FindPrevious}},
        {functionKey(3), any, {Kind::FindNext}},
        {Escape, any, {Kind::StopFinding}},
        {letterKey('G'), ShiftMask::Ctrl, {Kind::GoToLine}},
        {Plus, ShiftMask::Ctrl, {Kind::ZoomIn}},
        {KeypadPlus, ShiftMask::Ctrl, {Kind::ZoomIn}},
        {Minus, ShiftMask::Ctrl, {Kind::ZoomOut}},
        {KeypadMinus, ShiftMask::Ctrl, {Kind::ZoomOut}},
        {digitKey(0), ShiftMask::Ctrl, {Kind::ZoomBack}},
    }};
    for (const KeyBinding& binding : keyTable)
        if (binding.key == key && holds(shift, binding.held))
            return binding.action;
    return std::nullopt;
}

bool typesItsCharacter(KeyCode key, ShiftMask shift) {
    const std::optional<KeyAction> action = actionFor(key, shift);
    return !action || action->kind == KeyAction::Kind::Edit ||
           action->kind == KeyAction::Kind::Move;
}

// A key of no row does nothing, not even draw.
void frmEditor::onKeyDown(KeyCode key, ShiftMask shift) {
    const std::optional<KeyAction> action = actionFor(key, shift);
    if (action)
        runIfFree([&] { run(*action); });
}

// Saving ends a run of typing, so that undo can always come back to the saved text.
void frmEditor::run(const KeyAction& action) {
    switch (action.kind) {
    case KeyAction::Kind::Edit:
        return insert(action.code, u"editing");
    case KeyAction::Kind::Move:
        return move(action.direction);
    case KeyAction::Kind::Save:
        history.breakRun();
        saveByUser(&frmEditor::save);
        return drawUnlessMoving();
    case KeyAction::Kind::SaveAs:
        history.breakRun();
        saveByUser(&frmEditor::saveAs);
        return drawUnlessMoving();
    case KeyAction::Kind::Open:
        return open();
    case KeyAction::Kind::Find:
        return askAndFind(SearchDirection::Forward);
    case KeyAction::Kind::FindNext:
        return findAgain(SearchDirection::Forward);
    case KeyAction::Kind::FindPrevious:
        return findAgain(SearchDirection::Backward);
    case KeyAction::Kind::StopFinding:
        return finding.stop();
    case KeyAction::Kind::GoToLine:
        return goToLine();
    case KeyAction::Kind::ZoomIn:
        return zoomBy(1);
    case KeyAction::Kind::ZoomOut:
        return zoomBy(-1);
    case KeyAction::Kind::ZoomBack:
        return zoomBack();
    default:
        return runCommand(action.kind);
    }
}

// The commands beyond the design's keys; selecting and copying change no text.
void frmEditor::runCommand(KeyAction::Kind command) {
    switch (command) {
    case KeyAction::Kind::Delete:
        return deleteForward();
    case KeyAction::Kind::Undo:
        return takeBack(&EditHistory::undo, u"undoing");
    case KeyAction::Kind::Redo:
        return takeBack(&EditHistory::redo, u"redoing");
    case KeyAction::Kind::SelectAll:
        return selectAll();
    case KeyAction::Kind::Cut:
        return cut();
    case KeyAction::Kind::Paste:
        return paste();
    default:
        return copy(command);
    }
}

// A move starts from the cursor, whatever was selected, and ends the selection.
void frmEditor::move(CursorDirection direction) {
    const CursorPlace before = cursorPlace();
    clearSelection(box());
    const bool moved =
        guarded(u"moving the cursor", [&] { box().cursorMove(box().cursor, direction); });
    endRunIfMoved(before);
    if (moved)
        drawUnlessMoving();
    else if (before.selected)
        draw();
}

// Backspace, Tab and Enter arrive through key down; a character that is not typable
// does nothing, not even draw.
void frmEditor::onKeyPress(char32_t ch) {
    if (CLBox::isTypable(ch))
        runIfFree([&] { insert(ch, u"typing"); });
}
