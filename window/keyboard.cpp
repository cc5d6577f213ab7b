#include "window/KeyTable.h"
#include "window/frmEditor.h"

#include <bit>
#include <cstdint>

namespace {

using enum KeyCode;
using Kind = KeyAction::Kind;
constexpr ShiftMask any = ShiftMask::None;
constexpr ShiftMask ctrlShift = ShiftMask::Ctrl | ShiftMask::Shift;
constexpr KeyAction edit(char32_t code) {
    return {Kind::Edit, code};
}
constexpr KeyAction move(CursorDirection to) {
    return {Kind::Move, 0, to};
}

// The design's rows come first, as the design has them. The others stand in the order the
// palette lists them: where two names hold what the user typed, the first row's comes first.
constexpr CommandRow commands[] = {
    {u"", Backspace, any, edit(CLBox::backspaceCode)},
    {u"", Tab, any, edit(CLBox::tabCode)},
    {u"", Enter, any, edit(CLBox::enterCode)},
    {u"", PageUp, any, move(CursorDirection::PageUp)},
    {u"", PageDown, any, move(CursorDirection::PageDown)},
    {u"", End, ShiftMask::Ctrl, move(CursorDirection::TextEnd)},
    {u"", End, any, move(CursorDirection::End)},
    {u"", Home, ShiftMask::Ctrl, move(CursorDirection::TextStart)},
    {u"", Home, any, move(CursorDirection::Home)},
    {u"", Left, any, move(CursorDirection::Left)},
    {u"", Up, any, move(CursorDirection::Up)},
    {u"", Right, any, move(CursorDirection::Right)},
    {u"", Down, any, move(CursorDirection::Down)},
    {u"Save", S, ShiftMask::Ctrl, {Kind::Save}},
    {u"Save as", functionKey(12), any, {Kind::SaveAs}},
    {u"Open", letterKey('O'), ShiftMask::Ctrl, {Kind::Open}},
    {u"Delete", Delete, any, {Kind::Delete}},
    {u"Undo", letterKey('Z'), ShiftMask::Ctrl, {Kind::Undo}},
    {u"Redo", letterKey('Y'), ShiftMask::Ctrl, {Kind::Redo}},
    {u"Redo", letterKey('Z'), ctrlShift, {Kind::Redo}},
    {u"Select all", A, ShiftMask::Ctrl, {Kind::SelectAll}},
    {u"Extend the selection", functionKey(8), any, {Kind::Extend}},
    {u"Copy", letterKey('C'), ShiftMask::Ctrl, {Kind::Copy}},
    {u"Copy as spaces", letterKey('C'), ctrlShift, {Kind::CopyAligned}},
    {u"Cut", letterKey('X'), ShiftMask::Ctrl, {Kind::Cut}},
    {u"Paste", letterKey('V'), ShiftMask::Ctrl, {Kind::Paste}},
    {u"Paste as columns", letterKey('V'), ctrlShift, {Kind::PasteAsColumns}},
    {u"Find", letterKey('F'), ShiftMask::Ctrl, {Kind::Find}},
    {u"Find and replace", letterKey('H'), ShiftMask::Ctrl, {Kind::Replace}},
    {u"Find next", functionKey(3), any, {Kind::FindNext}},
    {u"Find previous", functionKey(3), ShiftMask::Shift, {Kind::FindPrevious}},
    {u"Stop finding", Escape, any, {Kind::StopFinding}},
    {u"Go to line", letterKey('G'), ShiftMask::Ctrl, {Kind::GoToLine}},
    {u"Zoom in", Plus, ShiftMask::Ctrl, {Kind::ZoomIn}},
    {u"Zoom in", KeypadPlus, ShiftMask::Ctrl, {Kind::ZoomIn}},
    {u"Zoom out", Minus, ShiftMask::Ctrl, {Kind::ZoomOut}},
    {u"Zoom out", KeypadMinus, ShiftMask::Ctrl, {Kind::ZoomOut}},
    {u"Zoom back to the font's size", digitKey(0), ShiftMask::Ctrl, {Kind::ZoomBack}},
    {u"Command palette", letterKey('P'), ctrlShift, {Kind::ShowPalette}},
    {u"Change font", None, any, {Kind::ChangeFont}}, // the right click
    {u"Columns to spaces", None, any, {Kind::ColumnsToSpaces}},
    {u"Spaces to columns", None, any, {Kind::SpacesToColumns}},
};

// Whether a key leaves F8's extend mode on: the moves extend what it selects, and saving
// changes nothing of it; every other key ends it before it acts.
bool keepsExtending(KeyAction::Kind kind) {
    using enum KeyAction::Kind;
    return kind == Move || kind == GoToLine || kind == Save || kind == SaveAs || kind == Extend;
}

int32_t modifierCount(ShiftMask mask) {
    return std::popcount(static_cast<uint32_t>(mask));
}

} // namespace

std::span<const CommandRow> commandTable() {
    return commands;
}

std::optional<KeyAction> actionFor(KeyCode key, ShiftMask shift) {
    if (key == KeyCode::None)
        return std::nullopt;
    const CommandRow* found = nullptr;
    for (const CommandRow& row : commands)
        if (row.key == key && holds(shift, row.held) &&
            (found == nullptr || modifierCount(row.held) > modifierCount(found->held)))
            found = &row;
    return found != nullptr ? std::optional(found->action) : std::nullopt;
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
    if (!keepsExtending(action.kind))
        extending.end();
    if (box().selectedBlock && runOnBlock(action))
        return;
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
        return stopFinding();
    case KeyAction::Kind::GoToLine:
        return goToLine();
    case KeyAction::Kind::Extend:
        return toggleExtending();
    case KeyAction::Kind::Replace:
        return showReplaceDialog();
    case KeyAction::Kind::ChangeFont:
        return changeFont();
    case KeyAction::Kind::ShowPalette:
        return showPalette();
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
    case KeyAction::Kind::PasteAsColumns:
        return paste(command);
    case KeyAction::Kind::ColumnsToSpaces:
        return convert(Conversion::ColumnsToSpaces);
    case KeyAction::Kind::SpacesToColumns:
        return convert(Conversion::SpacesToColumns);
    default:
        return copy(command);
    }
}

// A move starts from the cursor, whatever was selected, and ends the selection, or in
// extend mode extends it.
void frmEditor::move(CursorDirection direction) {
    const CursorPlace before = cursorPlace();
    clearSelection(box());
    const bool moved = guarded(u"moving the cursor", [&] {
        box().cursorMove(box().cursor, direction);
        extending.extend(box());
    });
    endRunIfMoved(before);
    if (moved)
        drawUnlessMoving();
    else if (before.selected)
        draw();
}

void frmEditor::toggleExtending() {
    const CursorPlace before = cursorPlace();
    extending.toggle(box());
    endRunIfMoved(before);
    if (cursorPlace() != before)
        drawUnlessMoving();
}

// Backspace, Tab and Enter arrive through key down; a character that is not typable
// does nothing, not even draw.
void frmEditor::onKeyPress(char32_t ch) {
    if (CLBox::isTypable(ch))
        runIfFree([&] {
            extending.end();
            insert(ch, u"typing");
        });
}
