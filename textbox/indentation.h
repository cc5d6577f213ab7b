#pragma once

#include "support/Rounding.h"
#include "textbox/CLBox.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Indentation as loading reads it and saving writes it: each run of tabMin spaces that opens
// a line is an empty cell of the form Spaces, and such cells are written back as spaces.

// The spaces that make one indentation cell.
inline size_t spacesPerIndentCell(const CLOptions& options) {
    return static_cast<size_t>(std::max(1, roundToPixel(options.tabMin)));
}

// The spaces a text starts with, counted four at a time where they run on (four spaces
// make the same word in either byte order).
inline size_t leadingSpaces(std::u16string_view text) {
    constexpr uint64_t fourSpaces = 0x0020002000200020u;
    size_t spaces = 0;
    for (uint64_t word = 0; spaces + 4 <= text.size(); spaces += 4) {
        std::memcpy(&word, text.data() + spaces, sizeof word);
        if (word != fourSpaces)
            break;
    }
    while (spaces < text.size() && text[spaces] == u' ')
        ++spaces;
    return spaces;
}

// The indentation cells that the spaces opening a line's text make.
inline size_t indentCellsOf(std::u16string_view lineText, size_t spacesPerCell) {
    return leadingSpaces(lineText) / spacesPerCell;
}

// How many of a line's cellCount cells open it written as spaces: the empty cells of the form
// Spaces at its start, in a row (spacedAndEmpty(i) tells of cell i), its last cell, which no
// tab ends, never among them. Loading the line written so reads those cells back.
template <class SpacedAndEmpty>
int32_t spacedIndentation(int32_t cellCount, SpacedAndEmpty&& spacedAndEmpty) {
    int32_t spaced = 0;
    while (spaced + 1 < cellCount && spacedAndEmpty(spaced))
        ++spaced;
    return spaced;
}

inline int32_t spacedIndentation(const CLLine& line) {
    return spacedIndentation(line.tabs.size(), [&](int32_t i) {
        const CLTab& cell = *line.tabs.at(i);
        return cell.form() == IndentForm::Spaces && cell.text.empty();
    });
}
