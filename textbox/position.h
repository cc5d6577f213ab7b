#pragma once

#include "support/EngineError.h"
#include "support/Utf16.h"
#include "textbox/CLBox.h"

#include <string>

// The cell a position stands in, for the operations that move or edit at it. A line,
// cell or character outside the document raises OutOfRange before anything changes;
// a character index between the halves of a surrogate pair is moved to the pair's
// start, so no edit or move can split one.
inline CLTab& cellAt(const CLBox& box, CLPos& pos) {
    CLTab& cell = *box.lines.at(pos.yLine)->tabs.at(pos.xTab);
    if (pos.xChar < 0 || static_cast<size_t>(pos.xChar) > cell.text.size())
        raiseOutOfRange("character " + std::to_string(pos.xChar) + " of a cell of " +
                        std::to_string(cell.text.size()));
    pos.xChar = characterStart(cell.text, pos.xChar);
    return cell;
}

inline int32_t textLength(const CLTab& cell) {
    return static_cast<int32_t>(cell.text.size());
}

// An unbound box has nothing to sound on; its next measurement reports that.
inline void beep(CLBox& box) {
    if (box.refWindow != nullptr)
        box.refWindow->beep();
}
