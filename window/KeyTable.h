#pragma once

#include "textbox/CLBox.h"
#include "window/Input.h"

#include <optional>

// What a key of the key table does: an edit with a character code (Backspace, Tab or
// Enter), a cursor move, or one of the commands.
struct KeyAction {
    enum class Kind {
        Edit,
        Move,
        Save,
        SaveAs,
        Open,
        Delete,
        Undo,
        Redo,
        SelectAll,
        Copy,
        CopyAligned,
        Cut,
        Paste,
        Find,
        FindNext,
        FindPrevious,
        StopFinding,
        GoToLine,
        ZoomIn,
        ZoomOut,
        ZoomBack
    } kind;
    char32_t code = 0;
    CursorDirection direction = CursorDirection::Right;
};

// The action of the first row of the key table that key and shift match; none for a key
// of no row.
std::optional<KeyAction> actionFor(KeyCode key, ShiftMask shift);
// Whether the character a key down brings is typed: not where the key is a command's, as
// the zoom keys' "+", "=" and "-" are.
bool typesItsCharacter(KeyCode key, ShiftMask shift);
