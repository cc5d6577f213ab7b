#include "textbox/savedform.h"

#include "textbox/indentation.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::shared_ptr<const TextFragment> fragment(std::u16string text, std::vector<LineEnd> ends = {},
                                             std::vector<size_t> spacedTabs = {}) {
    return std::make_shared<const TextFragment>(
        TextFragment{std::move(text), std::move(ends), std::move(spacedTabs)});
}

// cells tabs of the form Spaces in a row.
std::shared_ptr<const TextFragment> spacedTabs(size_t cells) {
    std::vector<size_t> at(cells);
    for (size_t k = 0; k < cells; ++k)
        at[k] = k;
    return fragment(std::u16string(cells, u'\t'), {}, std::move(at));
}

} // namespace

// A line is written as the cells that open it as spaces, then its cells as they are. Loading
// reads the spaces that open the next cell as more indentation, and every other tab with the
// form Tab.
ReloadedLine reloadedLine(std::span<const std::u16string_view> cellTexts,
                          std::span<const IndentForm> forms, const LineEnd& lineEnd,
                          size_t spacesPerCell) {
    ReloadedLine reloaded;
    const auto cellCount = static_cast<int32_t>(cellTexts.size());
    reloaded.spaced = spacedIndentation(cellCount, [&](int32_t i) {
        const auto k = static_cast<size_t>(i);
        return forms[k] == IndentForm::Spaces && cellTexts[k].empty();
    });
    const auto spaced = static_cast<size_t>(reloaded.spaced);
    reloaded.addedIndentCells = indentCellsOf(cellTexts[spaced], spacesPerCell);
    reloaded.spacedTabsWithin = std::find(forms.begin() + static_cast<ptrdiff_t>(spaced),
                                          forms.end() - 1, IndentForm::Spaces) != forms.end() - 1;
    const std::u16string_view last = cellTexts.back();
    reloaded.returnJoinsFeed = lineEnd == u"\n" && !last.empty() && last.back() == u'\r';
    return reloaded;
}

// Each line's indentation first, so that its cells are then the document's own.
std::vector<TextChange> changesFromReloaded(const CLBox& box) {
    const size_t spacesPerCell = spacesPerIndentCell(box.options);
    std::vector<TextChange> changes;
    std::vector<std::u16string_view> cellTexts;
    std::vector<IndentForm> forms;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        box.cellTexts(l, cellTexts, forms); // a loaded line not made yet stays so
        const auto cellCount = static_cast<int32_t>(cellTexts.size());
        const ReloadedLine reloaded =
            reloadedLine(cellTexts, forms, box.lineEndOf(l), spacesPerCell);
        if (const size_t cells = reloaded.addedIndentCells; cells > 0)
            changes.push_back({CLPos{l, reloaded.spaced, 0}, spacedTabs(cells),
                               fragment(std::u16string(cells * spacesPerCell, u' '))});
        for (int32_t i = reloaded.spaced; reloaded.spacedTabsWithin && i + 1 < cellCount; ++i)
            if (forms[static_cast<size_t>(i)] == IndentForm::Spaces)
                changes.push_back(
                    {CLPos{l, i, static_cast<int32_t>(cellTexts[static_cast<size_t>(i)].size())},
                     fragment(u"\t"), fragment(u"\t", {}, {0})});
        const std::u16string_view last = cellTexts.back();
        if (reloaded.returnJoinsFeed)
            changes.push_back({CLPos{l, cellCount - 1, static_cast<int32_t>(last.size()) - 1},
                               fragment(u"\n", {LineEnd(u"\r\n")}),
                               fragment(u"\r\n", {LineEnd(u"\n")})});
    }
    return changes;
}
