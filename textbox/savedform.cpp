#include "textbox/savedform.h"

#include "support/Rounding.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::shared_ptr<const TextFragment> fragment(std::u16string text, std::vector<LineEnd> ends = {}) {
    return std::make_shared<const TextFragment>(TextFragment{std::move(text), std::move(ends)});
}

} // namespace

// Each line's indentation first, so that its cells are then the document's own.
std::vector<TextChange> changesFromReloaded(const CLBox& box) {
    const auto spacesPerCell = static_cast<size_t>(std::max(1, roundToPixel(box.options.tabMin)));
    std::vector<TextChange> changes;
    std::vector<std::u16string_view> cellTexts;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        box.cellTexts(l, cellTexts); // a loaded line not made yet stays so
        const std::u16string_view first = cellTexts.front();
        const size_t cells = std::min(first.find_first_not_of(u' '), first.size()) / spacesPerCell;
        if (cells > 0)
            changes.push_back({CLPos{l, 0, 0}, fragment(std::u16string(cells, u'\t')),
                               fragment(std::u16string(cells * spacesPerCell, u' '))});
        const auto lastCell = static_cast<int32_t>(cellTexts.size()) - 1;
        const std::u16string_view last = cellTexts.back();
        if (box.lineEndOf(l) == u"\n" && !last.empty() && last.back() == u'\r')
            changes.push_back({CLPos{l, lastCell, static_cast<int32_t>(last.size()) - 1},
                               fragment(u"\n", {LineEnd(u"\r\n")}),
                               fragment(u"\r\n", {LineEnd(u"\n")})});
    }
    return changes;
}
