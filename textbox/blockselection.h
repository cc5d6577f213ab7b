#pragma once

#include "textbox/CLBox.h"

#include <cstdint>
#include <string>
#include <vector>

// A block of cells, selected with the pointer: the lines from one corner's to the other's,
// and on each the cells from one corner's index to the other's. Its cells and their text,
// its removal, and the pasting of a block copied before, each change through the text-range
// layer, so that undo, the modified state and recovery see them.

// One corner of a block: a line and a cell index.
struct CellCorner {
    int32_t line = 0;
    int32_t cell = 0;
    bool operator==(const CellCorner&) const = default;
};

// The block with corners a and b, in either order.
CellBlock blockBetween(const CellCorner& a, const CellCorner& b);
// The cell shown under a point of the view, its line and its index each kept inside the
// text: where a corner of a block stands when the pointer is there. The document must hold
// a line.
CellCorner cellUnder(CLBox& box, int32_t viewX, int32_t viewY);

// Selects the block in place of any selection of text; the cursor stays where it is.
void selectBlock(CLBox& box, const CellBlock& block);

// A cell of a block, and the form of the tab that ended it (Tab where none did).
struct BlockCell {
    std::u16string text;
    IndentForm form = IndentForm::Tab;
    bool operator==(const BlockCell&) const = default;
};
// The cells of one line of a block, left to right: none where the line has no cell in it.
using BlockRow = std::vector<BlockCell>;

// The block's cells, a row for each of its lines. Here and in removeBlock a block whose
// lines do not stand in the document, or whose first line or cell comes after its last,
// raises OutOfRange before anything changes.
std::vector<BlockRow> cellsOf(const CLBox& box, const CellBlock& block);
// As the clipboard takes a block: each row's cells joined by tabs, the rows by "\r\n", with
// no line end after the last.
std::u16string blockText(const std::vector<BlockRow>& rows);
// Removes the cells of the block and the tabs that end them; where a line's last cell goes
// and cells stay before the block, the tab that ends the cell before it goes too, so that
// no line is left ending in a tab, and a line that loses every cell keeps one empty cell.
// Each line's change is told. Gives where the cursor goes: the block's first cell, or its
// first line's last, character 0.
CLPos removeBlock(CLBox& box, const CellBlock& block, const TextChangeSink& told);

// Pastes rows as cells: row k goes into line at.yLine + k, before its cell at.xTab, a line
// with fewer cells first filled with empty ones up to there; an empty row leaves its line
// as it is. Rows that run past the text's end add lines there, each ended as the line above
// it is ("\r\n" below a text of one line). Each change is told. Gives where the cursor goes:
// where at stood in its text, which the first row's cells now precede. at must stand in the
// document (OutOfRange before anything changes).
CLPos pasteBlock(CLBox& box, const CLPos& at, const std::vector<BlockRow>& rows,
                 const TextChangeSink& told);
