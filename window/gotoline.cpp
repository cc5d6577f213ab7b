#include "window/frmEditor.h"

#include "window/WindowDesign.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The whole number an answer spells in decimal digits, blanks around it allowed, when it
// is above 0; a number too large to hold counts as the largest.
std::optional<int64_t> positiveNumber(std::u16string_view answer) {
    const size_t first = answer.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos)
        return std::nullopt;
    const std::u16string_view digits =
        answer.substr(first, answer.find_last_not_of(u" \t") + 1 - first);
    int64_t value = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min<int64_t>(value * 10 + (c - u'0'), std::numeric_limits<int32_t>::max());
    }
    return value > 0 ? std::optional<int64_t>(value) : std::nullopt;
}

std::u16string numberText(int64_t value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

} // namespace

// Lines are counted from 1 here, as the user counts them; past the end is the last line.
void frmEditor::goToLine() {
    const std::u16string answer = host.inputBox(u"line:", std::u16string(windowDesign::promptTitle),
                                                numberText(box().cursor.yLine + 1));
    const std::optional<int64_t> number = positiveNumber(answer);
    if (!number)
        return;
    const CursorPlace before = cursorPlace();
    const bool moved = guarded(u"going to the line", [&] {
        CLBox& shown = box();
        clearSelection(shown);
        shown.cursor =
            CLPos{static_cast<int32_t>(std::min<int64_t>(*number, shown.lines.size()) - 1)};
        extending.extend(shown);
        shown.viewFollow(shown.cursor);
    });
    endRunIfMoved(before);
    if (moved || before.selected)
        drawUnlessMoving();
}
