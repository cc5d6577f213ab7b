#include "textbox/CLBox.h"

#include "support/Rounding.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string_view>

namespace {

// The pieces of s between separators, empty ones included: n separators give n + 1.
template <class Visit> void forEachPiece(std::u16string_view s, char16_t separator, Visit visit) {
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(separator, start);
        if (end == std::u16string_view::npos) {
            visit(s.substr(start), true);
            return;
        }
        visit(s.substr(start, end - start), false);
        start = end + 1;
    }
}

std::shared_ptr<CLTab> newCell(std::u16string_view text) {
    auto cell = std::make_shared<CLTab>();
    cell->text = text;
    return cell;
}

// Builds one line from its text (without "\n"): a trailing "\r" becomes the line end,
// each run of tabMin leading spaces an empty indentation cell, and each tab a cell
// boundary.
std::shared_ptr<CLLine> makeLine(std::u16string_view piece, bool isLast, const CLOptions& options) {
    auto line = std::make_shared<CLLine>();
    if (isLast) {
        line->lineEnd = u"";
    } else if (!piece.empty() && piece.back() == u'\r') {
        line->lineEnd = u"\r\n";
        piece.remove_suffix(1);
    } else {
        line->lineEnd = u"\n";
    }
    const size_t firstNonSpace = piece.find_first_not_of(u' ');
    const size_t spaces = firstNonSpace == std::u16string_view::npos ? piece.size() : firstNonSpace;
    const int32_t spacesPerCell = std::max(1, roundToPixel(options.tabMin));
    const size_t indentCells = spaces / static_cast<size_t>(spacesPerCell);
    piece.remove_prefix(indentCells * static_cast<size_t>(spacesPerCell));
    for (size_t k = 0; k < indentCells; ++k)
        line->tabs.add(newCell(u""), 0);
    forEachPiece(piece, u'\t',
                 [&](std::u16string_view text, bool) { line->tabs.add(newCell(text), 0); });
    return line;
}

} // namespace

void CLBox::loadtext(std::u16string_view s) {
    lines.del(0, lines.size());
    forEachPiece(s, u'\n', [&](std::u16string_view piece, bool isLast) {
        lines.add(makeLine(piece, isLast, options), 0);
    });
    cursor = CLPos{};
    scrX = 0;
    scrY = 0;
    updateCache();
    updateHeight(0, lines.size());
    updateInnerWidth(0, lines.size());
    moving = true;
}

std::u16string CLBox::gettext() const {
    std::u16string text;
    for (int32_t l = 0; l < lines.size(); ++l) {
        const CLLine& line = *lines.at(l);
        const int32_t last = line.tabs.size() - 1;
        for (int32_t i = 0; i <= last; ++i) {
            text += line.tabs.at(i)->text;
            text += i == last ? std::u16string_view(line.lineEnd) : std::u16string_view(u"\t");
        }
    }
    return text;
}
