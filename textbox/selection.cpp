#include "textbox/selection.h"

#include "textbox/position.h"
#include "textbox/textrange.h"

#include <string_view>

namespace {

bool standsInDocument(const CLBox& box, const CLPos& pos) {
    if (pos.yLine < 0 || pos.yLine >= box.lines.size())
        return false;
    const CLLine& line = *box.lines.at(pos.yLine);
    return pos.xTab >= 0 && pos.xTab < line.tabs.size() && pos.xChar >= 0 &&
           static_cast<size_t>(pos.xChar) <= line.tabs.at(pos.xTab)->text.size();
}

enum class CharacterKind { Word, Space, Sign };

CharacterKind kindOf(char16_t unit) {
    if (unit == u' ')
        return CharacterKind::Space;
    return isWordCharacter(unit) ? CharacterKind::Word : CharacterKind::Sign;
}

} // namespace

void setSelection(CLBox& box, const CLPos& anchor, const CLPos& cursor) {
    box.selectedBlock.reset();
    box.selectionAnchor = CLPos{anchor.yLine, anchor.xTab, anchor.xChar};
    box.cursor = CLPos{cursor.yLine, cursor.xTab, cursor.xChar};
}

void extendSelection(CLBox& box, const CLPos& anchor) {
    box.selectedBlock.reset();
    box.selectionAnchor = CLPos{anchor.yLine, anchor.xTab, anchor.xChar};
}

void clearSelection(CLBox& box) {
    box.selectionAnchor.reset();
    box.selectedBlock.reset();
}

std::optional<TextRange> selectedRange(const CLBox& box) {
    if (!box.selectionAnchor || !standsInDocument(box, *box.selectionAnchor) ||
        !standsInDocument(box, box.cursor) || samePlace(*box.selectionAnchor, box.cursor))
        return std::nullopt;
    const CLPos anchor = *box.selectionAnchor,
                cursor{box.cursor.yLine, box.cursor.xTab, box.cursor.xChar};
    return isBefore(anchor, cursor) ? TextRange{anchor, cursor} : TextRange{cursor, anchor};
}

bool isSelected(const CLBox& box, const CLPos& pos) {
    const std::optional<TextRange> range = selectedRange(box);
    return range && !isBefore(pos, range->start) && isBefore(pos, range->end);
}

TextRange wholeText(const CLBox& box) {
    const int32_t lastLine = box.lines.size() - 1;
    const CLLine& line = *box.lines.at(lastLine);
    const int32_t lastCell = line.tabs.size() - 1;
    return {CLPos{}, CLPos{lastLine, lastCell, textLength(*line.tabs.at(lastCell))}};
}

TextRange wordAt(const CLBox& box, const CLPos& pos, Side side) {
    CLPos at = pos;
    const std::u16string_view text = cellAt(box, at).text;
    const auto length = static_cast<int32_t>(text.size());
    if (length == 0)
        return {at, at};
    const bool before = at.xChar == length || (side == Side::Before && at.xChar > 0);
    const CharacterKind kind = kindOf(text[static_cast<size_t>(at.xChar - (before ? 1 : 0))]);
    int32_t start = at.xChar, end = at.xChar;
    while (start > 0 && kindOf(text[static_cast<size_t>(start - 1)]) == kind)
        --start;
    while (end < length && kindOf(text[static_cast<size_t>(end)]) == kind)
        ++end;
    return {CLPos{at.yLine, at.xTab, start}, CLPos{at.yLine, at.xTab, end}};
}
