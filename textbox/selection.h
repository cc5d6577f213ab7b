#pragma once

#include "textbox/CLBox.h"

#include <optional>

// The selection: the text between an anchor and the box's cursor, whichever comes first.
// It belongs to the box, which draws it behind the text. Nothing is selected without an
// anchor or with the anchor at the cursor. Loading a text, and every change through the
// text-range layer, ends it; moving the cursor does not, which is the window's to decide.
// A block of cells (textbox/blockselection.h) is selected in its place: selecting either
// ends the other, and clearing ends both.

// A stretch of text from start to end; start is not after end.
struct TextRange {
    CLPos start;
    CLPos end;
    bool operator==(const TextRange&) const = default;
};

// Selects from anchor to cursor; the box's cursor goes to cursor, its remembered x cleared.
void setSelection(CLBox& box, const CLPos& anchor, const CLPos& cursor);
// Selects from anchor to where the cursor stands, the cursor and its remembered x left as
// they are: for a selection that cursor moves extend.
void extendSelection(CLBox& box, const CLPos& anchor);
void clearSelection(CLBox& box);
// What is selected, or none. An anchor that no longer stands in the document (after a
// change that went around the range layer) selects nothing.
std::optional<TextRange> selectedRange(const CLBox& box);
// Whether the character after pos is selected: start <= pos < end.
bool isSelected(const CLBox& box, const CLPos& pos);

// The whole text, from its start to the end of its last line.
TextRange wholeText(const CLBox& box);
// The characters a word is made of: letters, digits, '_' and every unit past ASCII. A double
// click selects a run of them, and a search for whole words stops where they stop.
inline bool isWordCharacter(char16_t unit) {
    return unit >= 0x80 || unit == u'_' || (unit >= u'0' && unit <= u'9') ||
           (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

// Which character a position names when it names one: the one after it, or before it.
enum class Side { After, Before };
// The word at pos, within its cell: the run of characters of one kind (word characters,
// spaces, other signs) that holds the
// character on side of pos, or the other one at a cell's end. Empty in an empty cell.
TextRange wordAt(const CLBox& box, const CLPos& pos, Side side);
