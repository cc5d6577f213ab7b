#include "textbox/CLBox.h"
#include "textbox/loadedlines.h"

#include "support/Rounding.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

void requireLineRange(int32_t a, int32_t r, int32_t lineCount, const char* operation) {
    if (a < 0 || r < a || r > lineCount)
        raiseOutOfRange(std::string(operation) + "(" + std::to_string(a) + ", " +
                        std::to_string(r) + ") of " + std::to_string(lineCount) + " lines");
}

// As isEmptyText, unit by unit: a long cell's text is not gathered into one run for it.
bool isEmptyCell(const CellText& text) {
    for (size_t k = 0; k < text.size(); ++k)
        if (!CLBox::isEmptyCharacter(text[k]))
            return false;
    return true;
}

bool allCellsEmpty(const CLLine& line) {
    for (int32_t i = 0; i < line.tabs.size(); ++i)
        if (!isEmptyCell(line.tabs.at(i)->text))
            return false;
    return true;
}

// The running state of one tab column while the walk is inside one of its blocks.
struct OpenColumn {
    int32_t blockStart = 0;
    int32_t width = 0;
};

// Makes the cells' widths their weights. A line too wide for 32-bit sums keeps its
// old widths, so every width still equals its weight, and the refusal is raised.
void applyWidths(CLLine& line) {
    std::vector<int32_t> widths;
    widths.reserve(static_cast<size_t>(line.tabs.size()));
    for (int32_t i = 0; i < line.tabs.size(); ++i)
        widths.push_back(line.tabs.at(i)->width);
    try {
        line.tabs.weiset(0, line.tabs.size(), widths);
    } catch (const EngineError&) {
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            line.tabs.at(i)->width = line.tabs.wei(i);
        throw;
    }
}

} // namespace

bool CLBox::isEmptyText(std::u16string_view text) {
    for (const char16_t c : text)
        if (!isEmptyCharacter(c))
            return false;
    return true;
}

// Only the pieces an edit touched are measured again.
void CLBox::tabInnerWidth(CLTab& tab) {
    if (const TextPieces* pieces = measuredPieces(tab.text))
        tab.innerWidth = roundToPixel(pieces->width());
    else
        tab.innerWidth = tab.text.empty() ? 0 : roundToPixel(surface().textWidth(tab.text));
}

const TextPieces* CLBox::measuredPieces(const CellText& text) {
    TextPieces* const pieces = text.pieces();
    if (pieces == nullptr)
        return nullptr;
    Surface& s = surface();
    pieces->measureIn({s.fontName(), s.fontSize(), s.fontBold(), s.fontItalic(),
                       s.fontStrikethrough(), s.dotsPerInch()});
    const bool byAdvances = pieces->measureInOrder(
        [&](size_t start, size_t units) { return s.advancesWidth(text.slice(start, units)); });
    return byAdvances ? pieces : nullptr;
}

void CLBox::followDensity() {
    const double now = surface().dotsPerInch();
    if (now == measuredDotsPerInch)
        return;
    updateCache();
    updateHeight(0, lines.size());
    updateInnerWidth(0, lines.size());
    measuredDotsPerInch = now;
}

// A line not made yet is measured when it is made, in the font then in force.
void CLBox::updateInnerWidth(int32_t a, int32_t r) {
    requireLineRange(a, r, lines.size(), "updateInnerWidth");
    for (int32_t l = a; l < r; ++l) {
        if (!lines.isMade(l))
            continue;
        const CLLine& line = *lines.at(l);
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            tabInnerWidth(*line.tabs.at(i));
    }
}

void CLBox::measureLine(CLLine& line) {
    for (int32_t i = 0; i < line.tabs.size(); ++i)
        tabInnerWidth(*line.tabs.at(i));
    line.isEmptyLine = allCellsEmpty(line);
    line.height = line.isEmptyLine ? emptyLineHeight() : lineHeight;
}

int32_t CLBox::emptyLineHeight() const {
    return roundToPixel(static_cast<double>(options.emptyHeight) * lineHeight);
}

void CLBox::updateHeight(int32_t a, int32_t r) {
    requireLineRange(a, r, lines.size(), "updateHeight");
    if (a == r)
        return;
    std::vector<bool> empty;
    std::vector<int32_t> heights;
    empty.reserve(static_cast<size_t>(r - a));
    heights.reserve(static_cast<size_t>(r - a));
    for (int32_t l = a; l < r; ++l) {
        const bool made = lines.isMade(l);
        empty.push_back(made ? allCellsEmpty(*lines.at(l))
                             : LoadedLines::isEmpty(lines.pendingCode(l)));
        heights.push_back(empty.back() ? emptyLineHeight() : lineHeight);
    }
    lines.weiset(a, r - a, heights); // a document too tall is refused here, unchanged
    for (int32_t l = a; l < r; ++l) {
        if (!lines.isMade(l))
            continue; // its height is its weight, which it takes when made
        CLLine& line = *lines.at(l);
        line.isEmptyLine = empty[static_cast<size_t>(l - a)];
        line.height = heights[static_cast<size_t>(l - a)];
    }
}

// Cells followed by a tab form columns; a column's block is a maximal run of lines of
// the range where its cell is followed by a tab, and every cell of the block gets the
// block's widest text plus the margin, but at least tabMin spaces. The last cell of a
// line belongs to no column. One forward walk, with an extra step past the range that
// closes every open block.
void CLBox::updateWidth(int32_t a, int32_t r) {
    requireLineRange(a, r, lines.size(), "updateWidth");
    if (a == r)
        return;
    const double margin = static_cast<double>(spaceWidth) * options.tabMargin;
    const int32_t minimumWidth = roundToPixel(static_cast<double>(spaceWidth) * options.tabMin);
    std::vector<OpenColumn> columns;
    int32_t open = 0;
    for (int32_t j = a; j <= r; ++j) {
        CLLine* line = j < r ? lines.at(j).get() : nullptr;
        const int32_t n = line != nullptr ? line->tabs.size() : 0;
        if (columns.size() < static_cast<size_t>(std::max(n - 1, 0)))
            columns.resize(static_cast<size_t>(n - 1));
        for (int32_t i = 0; i < n - 1; ++i) {
            OpenColumn& column = columns[static_cast<size_t>(i)];
            if (i >= open)
                column = {j, minimumWidth};
            const double candidate = margin + line->tabs.at(i)->innerWidth;
            if (candidate > column.width)
                column.width = roundToPixel(candidate);
        }
        const int32_t last = n - 1;
        for (int32_t i = std::max(last, 0); i < open; ++i) {
            const OpenColumn& column = columns[static_cast<size_t>(i)];
            for (int32_t k = column.blockStart; k < j; ++k)
                lines.at(k)->tabs.at(i)->width = column.width;
        }
        if (last >= 0) {
            CLTab& lastCell = *line->tabs.at(last);
            lastCell.width = roundToPixel(lastCell.innerWidth + margin);
        }
        open = last;
    }
    std::exception_ptr refused;
    for (int32_t k = a; k < r; ++k) {
        try {
            applyWidths(*lines.at(k));
        } catch (const EngineError&) {
            refused = refused ? refused : std::current_exception();
        }
    }
    if (refused)
        std::rethrow_exception(refused);
}
