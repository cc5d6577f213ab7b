#include "window/frmEditor.h"

#include <optional>

// The whole lines the selection touches, or the whole text, converted as one step: what was
// selected stays selected, grown to the whole lines converted; without a selection the
// cursor goes to the start of its line.
void frmEditor::convert(Conversion conversion) {
    const bool done =
        changeText(EditHistory::Action::Other, u"converting", [&](const TextChangeSink& told) {
            CLBox& converted = box();
            const std::optional<TextRange> selected = selectedRange(converted);
            const std::optional<TextRange> now =
                convertLines(converted, linesTouched(converted, selected), conversion, told);
            if (!now)
                return;
            if (selected)
                setSelection(converted, now->start, now->end);
            else
                converted.cursor = CLPos{converted.cursor.yLine};
            followCursor();
        });
    if (done)
        drawUnlessMoving();
}
