#include "window/frmEditor.h"

#include "window/WindowDesign.h"

#include <string>

namespace {

std::u16string countText(int64_t count) {
    const std::string digits = std::to_string(count);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

// Ctrl+H: Find what holds the selection when it lies within one cell, else the last search.
void frmEditor::showReplaceDialog() {
    guarded(u"opening Find and Replace", [&] {
        std::u16string findWhat = finding.lastSearch();
        const std::optional<TextRange> selected = selectedRange(box());
        if (selected && selected->start.yLine == selected->end.yLine &&
            selected->start.xTab == selected->end.xTab)
            findWhat = textBetween(box(), selected->start, selected->end).text;
        host.showReplaceDialog(findWhat);
    });
}

void frmEditor::onReplaceDialog(const ReplaceRequest& request) {
    runIfFree([&] { answerReplaceDialog(request); });
}

// Each button makes the dialog's search the last search, which F3 then repeats; closing the
// dialog stops a Replace all still going on. Like every key but the moves, a button ends
// F8's extend mode.
void frmEditor::answerReplaceDialog(const ReplaceRequest& request) {
    extending.end();
    if (request.button == ReplaceButton::Close)
        return stopFinding();
    finding.stop();
    tellReplaceDialog(u"");
    const ReplaceFields& fields = request.fields;
    if (fields.findWhat.empty())
        return host.picture().beep();
    finding.setLastSearch(fields.findWhat, {fields.matchCase, fields.wholeWord});
    switch (request.button) {
    case ReplaceButton::Replace:
        return replaceMatch(fields.replaceWith);
    case ReplaceButton::ReplaceAll:
        return startReplacingAll(fields.replaceWith);
    default:
        return startFinding(SearchDirection::Forward);
    }
}

// A selection that is exactly a match gives way to the replacement, which goes in as a paste;
// then, or otherwise, the next match is found.
void frmEditor::replaceMatch(const std::u16string& replacement) {
    const std::optional<TextRange> selected = selectedRange(box());
    if (selected && finding.isMatch(box(), *selected)) {
        const bool done =
            changeText(EditHistory::Action::Other, u"replacing", [&](const TextChangeSink& told) {
                pasteOver(*selected, replacement, told);
            });
        if (!done) {
            draw();
            return;
        }
        drawUnlessMoving();
    }
    startFinding(SearchDirection::Forward);
}

void frmEditor::startReplacingAll(const std::u16string& replacement) {
    guarded(u"replacing", [&] { finishReplacing(finding.startReplacingAll(box(), replacement)); });
}

void frmEditor::carryOnReplacing() {
    guarded(u"replacing", [&] { finishReplacing(finding.carryOnReplacing(box())); });
}

// The change is made at once when all of it is ready, through the edit pipeline as one
// step; nothing to replace is told as a find that found nothing.
void frmEditor::finishReplacing(FindSession::Replacing state) {
    if (state == FindSession::Replacing::GivenUp)
        return tellReplaceDialog(u"Replace all stopped: the text changed meanwhile.");
    if (state != FindSession::Replacing::Ready)
        return;
    ReplaceAll replacing = finding.takeReplacement();
    if (replacing.matches() == 0)
        return tellNotFound();
    const bool done =
        changeText(EditHistory::Action::Other, u"replacing", [&](const TextChangeSink& told) {
            replacing.apply(box(), told);
            followCursor();
        });
    if (!done) {
        draw();
        return;
    }
    tellReplaceDialog(countText(replacing.matches()) + u" replaced");
    drawUnlessMoving();
}

void frmEditor::tellReplaceDialog(const std::u16string& message) {
    guarded(u"telling the outcome", [&] { host.setReplaceDialogMessage(message); });
}
