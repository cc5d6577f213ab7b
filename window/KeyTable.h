#pragma once

#include "textbox/CLBox.h"
#include "window/Input.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// What a command of the command table does: an edit with a character code (Backspace, Tab
// or Enter), a cursor move, or one of the commands.
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
        Extend,
        Replace,
        ChangeFont,
        PasteAsColumns,
        ColumnsToSpaces,
        SpacesToColumns,
        ShowPalette,
        ZoomIn,
        ZoomOut,
        ZoomBack
    } kind;
    char32_t code = 0;
    CursorDirection direction = CursorDirection::Right;
};

// One row of the command table: the command's name as the user reads it ("" for the keys
// that move and type), the key that runs it with the modifiers it needs held (others do not
// matter), or KeyCode::None for a command no key runs, and what it does. A command with two
// keys has a row for each, under one name.
struct CommandRow {
    std::u16string_view name;
    KeyCode key;
    ShiftMask held;
    KeyAction action;
};

// Every command of the editor, in the order the command palette lists them.
std::span<const CommandRow> commandTable();

// The action of the row of the command table that key and shift match: of the rows for key
// whose modifiers are held, the one that needs the most, so that Ctrl+End is not End; the
// first of them where two need as many. None for a key of no row.
std::optional<KeyAction> actionFor(KeyCode key, ShiftMask shift);

// A key with the modifiers held as the user reads it: "Ctrl+Shift+Z", "Page Up", "F12";
// "" for KeyCode::None. A key the editor has no name for reads "Key" and its code.
std::u16string keyName(KeyCode key, ShiftMask held);
// Whether the character a key down brings is typed: not where the key is a command's, as
// the zoom keys' "+", "=" and "-" are.
bool typesItsCharacter(KeyCode key, ShiftMask shift);
