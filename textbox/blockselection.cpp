#include "textbox/blockselection.h"

#include "support/EngineError.h"
#include "support/Rounding.h"
#include "textbox/position.h"
#include "textbox/selection.h"
#include "textbox/textrange.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

namespace {

void requireBlock(const CLBox& box, const CellBlock& block) {
    if (block.firstLine < 0 || block.firstLine > block.lastLine ||
        block.lastLine >= box.lines.size() || block.firstCell < 0 ||
        block.firstCell > block.lastCell)
        raiseOutOfRange("a block of cells outside the text");
}

void insertAt(CLBox& box, const CLPos& at, TextFragment&& fragment, const TextChangeSink& told) {
    replaceRange(box, at, at, std::make_shared<const TextFragment>(std::move(fragment)), told);
}

// A line more at the text's end, ended as the line above the last is.
void addLineAtEnd(CLBox& box, const TextChangeSink& told) {
    const int32_t lastLine = box.lines.size() - 1;
    const LineEnd above = lastLine > 0 ? box.lineEndOf(lastLine - 1) : LineEnd(u"\r\n");
    insertAt(box, wholeText(box).end, TextFragment{u"\n", {above}}, told);
}

// Adds cell to fragment's text, followed by the tab that ends it when one does.
void addCell(TextFragment& fragment, const BlockCell& cell, bool tabAfter) {
    fragment.text += cell.text;
    if (!tabAfter)
        return;
    if (cell.form == IndentForm::Spaces)
        fragment.spacedTabs.push_back(fragment.text.size());
    fragment.text += u'\t';
}

// Row's cells before cell `before` of line l; past the line's last cell, after it, with
// empty cells between.
void insertCells(CLBox& box, int32_t l, int32_t before, const BlockRow& row,
                 const TextChangeSink& told) {
    const CLLine& line = *box.lines.at(l);
    const int32_t count = line.tabs.size();
    TextFragment fragment;
    CLPos at{l, before, 0};
    if (before >= count) {
        at = CLPos{l, count - 1, textLength(*line.tabs.at(count - 1))};
        fragment.text.assign(static_cast<size_t>(before - count + 1), u'\t');
    }
    for (size_t k = 0; k < row.size(); ++k)
        addCell(fragment, row[k], before < count || k + 1 < row.size());
    insertAt(box, at, std::move(fragment), told);
}

} // namespace

CellBlock blockBetween(const CellCorner& a, const CellCorner& b) {
    return {std::min(a.line, b.line), std::max(a.line, b.line), std::min(a.cell, b.cell),
            std::max(a.cell, b.cell)};
}

CellCorner cellUnder(CLBox& box, int32_t viewX, int32_t viewY) {
    const int32_t line = box.XYscrmovToPos(viewX, viewY, true).yLine;
    const OArray<CLTab>& tabs = box.lines.at(line)->tabs;
    const int64_t docX = std::clamp<int64_t>(int64_t{viewX} + roundToPixel(box.scrmovX),
                                             std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max());
    return {line, std::clamp(tabs.atwei(static_cast<int32_t>(docX)), 0, tabs.size() - 1)};
}

void selectBlock(CLBox& box, const CellBlock& block) {
    box.selectionAnchor.reset();
    box.selectedBlock = block;
}

std::vector<BlockRow> cellsOf(const CLBox& box, const CellBlock& block) {
    requireBlock(box, block);
    std::vector<BlockRow> rows;
    rows.reserve(static_cast<size_t>(block.lastLine - block.firstLine + 1));
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    for (int32_t l = block.firstLine; l <= block.lastLine; ++l) {
        box.cellTexts(l, cells, forms);
        BlockRow& row = rows.emplace_back();
        const auto end = std::min(static_cast<size_t>(block.lastCell) + 1, cells.size());
        for (auto t = static_cast<size_t>(block.firstCell); t < end; ++t)
            row.push_back({std::u16string(cells[t]), forms[t]});
    }
    return rows;
}

std::u16string blockText(const std::vector<BlockRow>& rows) {
    std::u16string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            text += u"\r\n";
        for (size_t k = 0; k < rows[r].size(); ++k) {
            if (k > 0)
                text += u'\t';
            text += rows[r][k].text;
        }
    }
    return text;
}

CLPos removeBlock(CLBox& box, const CellBlock& block, const TextChangeSink& told) {
    requireBlock(box, block);
    const auto nothing = std::make_shared<const TextFragment>();
    for (int32_t l = block.firstLine; l <= block.lastLine; ++l) {
        const CLLine& line = *box.lines.at(l);
        const int32_t count = line.tabs.size();
        if (count <= block.firstCell)
            continue;
        const int32_t last = std::min(block.lastCell, count - 1);
        CLPos from{l, block.firstCell, 0}, to{l, last + 1, 0};
        if (last == count - 1) { // no tab is left at the line's end
            to = CLPos{l, last, textLength(*line.tabs.at(last))};
            if (block.firstCell > 0)
                from =
                    CLPos{l, block.firstCell - 1, textLength(*line.tabs.at(block.firstCell - 1))};
        }
        replaceRange(box, from, to, nothing, told);
    }
    const int32_t cells = box.lines.at(block.firstLine)->tabs.size();
    return CLPos{block.firstLine, std::min(block.firstCell, cells - 1), 0};
}

CLPos pasteBlock(CLBox& box, const CLPos& at, const std::vector<BlockRow>& rows,
                 const TextChangeSink& told) {
    requirePosition(box, at);
    for (size_t k = 0; k < rows.size(); ++k) {
        const int64_t l = int64_t{at.yLine} + static_cast<int64_t>(k);
        if (l >= box.lines.size())
            addLineAtEnd(box, told);
        if (!rows[k].empty())
            insertCells(box, static_cast<int32_t>(l), at.xTab, rows[k], told);
    }
    const auto shifted = rows.empty() ? 0 : static_cast<int32_t>(rows.front().size());
    return CLPos{at.yLine, at.xTab + shifted, at.xChar};
}
