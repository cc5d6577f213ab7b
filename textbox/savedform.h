#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Saving writes a few things that loading reads back otherwise: the first cell after those
// written as spaces that begins with tabMin spaces or more comes back as more indentation
// cells, any other tab of the form Spaces comes back of the form Tab, and a cell ending in a
// lone "\r" before a "\n" line end comes back without it, its line ending in "\r\n". These
// are the changes that make the text loaded from the saved file the document again, in
// order, each at positions of the text as the changes before it left it.
std::vector<TextChange> changesFromReloaded(const CLBox& box);

// How one line, its cells' texts and forms and its end, loads back once saving wrote it: the
// cells that open it written as spaces, and what of the above comes back otherwise.
struct ReloadedLine {
    int32_t spaced = 0;            // the cells that open the line written as spaces
    size_t addedIndentCells = 0;   // made of the spaces that open the cell after those
    bool spacedTabsWithin = false; // past those, which come back of the form Tab
    bool returnJoinsFeed = false;  // a cell's lone "\r" before a "\n" line end
    bool isAlike() const { return addedIndentCells == 0 && !spacedTabsWithin && !returnJoinsFeed; }
};
ReloadedLine reloadedLine(std::span<const std::u16string_view> cellTexts,
                          std::span<const IndentForm> forms, const LineEnd& lineEnd,
                          size_t spacesPerCell);
