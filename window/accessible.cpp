#include "window/frmEditor.h"

#include "textbox/selection.h"

// What a screen reader asks of the window, and what it is told after each handler.

AccessibleDocument frmEditor::accessibleDocument() {
    return {box(), accessible.text(box())};
}

ViewRect frmEditor::cursorBar() {
    CLBox& shown = box();
    if (shown.lines.size() == 0)
        return {};
    const PixelPoint at = shown.posToXYScrmov(shown.cursor);
    return {at.x, at.y, at.x + 1, at.y + shown.lineHeight};
}

// Told in order, each once; a host that fails to pass one on loses only that one.
void frmEditor::tellScreenReader() {
    if (!editorBox || !accessible.isFollowing())
        return;
    for (const AccessibleEvent& event : accessible.take(*editorBox))
        failureOf(u"telling a screen reader", [&] { host.tellScreenReader(event); });
}

void frmEditor::onAccessibleSelect(int32_t anchor, int32_t caret) {
    runIfFree([&] {
        const CursorPlace before = cursorPlace();
        guarded(u"selecting", [&] {
            CLBox& shown = box();
            const AccessibleText& text = accessible.text(shown);
            const CLPos from = text.positionAt(shown, anchor), to = text.positionAt(shown, caret);
            clearSelection(shown);
            if (samePlace(from, to))
                shown.cursor = to;
            else
                setSelection(shown, from, to);
            shown.cursor.xPosMem = -1;
            shown.viewFollow(shown.cursor);
        });
        endRunIfMoved(before);
        drawUnlessMoving();
    });
}

void frmEditor::onAccessibleShow(int32_t offset) {
    runIfFree([&] {
        if (guarded(u"scrolling", [&] {
                CLBox& shown = box();
                shown.viewFollow(accessible.text(shown).positionAt(shown, offset));
            }))
            drawUnlessMoving();
    });
}

void frmEditor::onAccessibleReplace(TextSpan span, const std::u16string& text) {
    runIfFree([&] {
        std::optional<TextRange> at;
        if (!guarded(u"editing", [&] {
                CLBox& shown = box();
                const AccessibleText& model = accessible.text(shown);
                at = TextRange{model.positionAt(shown, std::min(span.start, span.end)),
                               model.positionAt(shown, std::max(span.start, span.end))};
            }))
            return;
        if (changeText(EditHistory::Action::Other, u"editing",
                       [&](const TextChangeSink& told) { pasteOver(*at, text, told); }))
            drawUnlessMoving();
    });
}
