#pragma once

#include "support/EngineError.h"
#include "support/Utf16.h"
#include "textbox/CLBox.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// Raises OutOfRange unless xChar stands in cell: from 0 to its length, both included.
inline void requireCharacterIn(const CLTab& cell, int32_t xChar) {
    if (xChar < 0 || static_cast<size_t>(xChar) > cell.text.size())
        raiseOutOfRange("character " + std::to_string(xChar) + " of a cell of " +
                        std::to_string(cell.text.size()));
}

// The cell pos stands in; a line, cell or character outside the document raises
// OutOfRange. pos may stand between the halves of a surrogate pair.
inline CLTab& cellHolding(const CLBox& box, const CLPos& pos) {
    CLTab& cell = *box.lines.at(pos.yLine)->tabs.at(pos.xTab);
    requireCharacterIn(cell, pos.xChar);
    return cell;
}

// The cell a position stands in, for the operations that move or edit at it. A line,
// cell or character outside the document raises OutOfRange before anything changes;
// a character index between the halves of a surrogate pair is moved to the pair's
// start, so no edit or move can split one.
inline CLTab& cellAt(const CLBox& box, CLPos& pos) {
    CLTab& cell = cellHolding(box, pos);
    pos.xChar = characterStart(cell.text, pos.xChar);
    return cell;
}

inline int32_t textLength(const CLTab& cell) {
    return static_cast<int32_t>(cell.text.size());
}

// The position one character right of pos, as the Right key goes: past the next
// character, the tab after the cell or the line end; none at the text's end. pos stands
// in the document, at a character's start.
inline std::optional<CLPos> positionRightOf(const CLBox& box, const CLPos& pos) {
    const CLLine& line = *box.lines.at(pos.yLine);
    const CLTab& cell = *line.tabs.at(pos.xTab);
    if (pos.xChar != textLength(cell))
        return CLPos{pos.yLine, pos.xTab, pos.xChar + unitsAfter(cell.text, pos.xChar)};
    if (pos.xTab != line.tabs.size() - 1)
        return CLPos{pos.yLine, pos.xTab + 1, 0};
    if (pos.yLine != box.lines.size() - 1)
        return CLPos{pos.yLine + 1, 0, 0};
    return std::nullopt;
}

// Empty cells that open the line before the position's cell: the indentation that
// Enter carries over to the new line.
inline int32_t leadingEmptyCells(const CLLine& line, int32_t beforeTab) {
    int32_t count = 0;
    while (count < beforeTab && line.tabs.at(count)->text.empty())
        ++count;
    return count;
}

// An unbound box has nothing to sound on; its next measurement reports that.
inline void beep(CLBox& box) {
    if (box.refWindow != nullptr)
        box.refWindow->beep();
}

// Refuses an edit, before anything changes, when the lines it leaves in place of
// replacedLines lines from firstLine might not fit 32-bit document coordinates at the
// taller of the two line heights, so no edit is left half done by its layout.
inline void requireHeightRoom(const CLBox& box, int32_t firstLine, int32_t replacedLines,
                              int32_t resultingLines) {
    const int64_t tallest = std::max(box.lineHeight, box.emptyLineHeight());
    const int64_t kept =
        static_cast<int64_t>(box.lines.weiacc(box.lines.size())) -
        (box.lines.weiacc(firstLine + replacedLines) - box.lines.weiacc(firstLine));
    if (kept + tallest * resultingLines > std::numeric_limits<int32_t>::max())
        throw EngineError(ErrorNumber::Overflow, "overflow: the text would be too tall to show");
}
