#include "window/frmEditor.h"

#include "window/WindowDesign.h"

// Ctrl+F, and F3 or Shift+F3 before anything was searched for: ignoring case, anywhere.
void frmEditor::askAndFind(SearchDirection direction) {
    const std::u16string answer =
        host.inputBox(u"find:", std::u16string(windowDesign::promptTitle), finding.lastSearch());
    if (answer.empty())
        return;
    finding.setLastSearch(answer);
    startFinding(direction);
}

void frmEditor::findAgain(SearchDirection direction) {
    if (finding.lastSearch().empty())
        return askAndFind(direction);
    startFinding(direction);
}

// Forward from the cursor, which after a find stands at the end of its match; backward
// to before the match shown.
void frmEditor::startFinding(SearchDirection direction) {
    guarded(u"finding", [&] {
        const CLPos from =
            direction == SearchDirection::Forward ? box().cursor : backwardSearchEnd();
        showFound(finding.start(box(), from, direction));
    });
}

void frmEditor::carryOnFinding() {
    guarded(u"finding", [&] {
        if (const auto outcome = finding.carryOn(box()))
            showFound(*outcome);
    });
}

// The one place a match is shown: selected, the cursor at its end, the view following.
// Nothing found, nothing moves; the beep comes first, as the message waits to be read.
void frmEditor::showFound(const FindSession::Outcome& outcome) {
    if (outcome.state == TextSearch::Outcome::Found) {
        CLBox& shown = box();
        const CursorPlace before = cursorPlace();
        extending.end(); // the match is selected now, not what F8 began
        setSelection(shown, outcome.match.start(), outcome.match.end());
        shown.viewFollow(shown.cursor);
        endRunIfMoved(before);
        drawUnlessMoving();
    } else if (outcome.state == TextSearch::Outcome::NotFound) {
        tellNotFound();
    }
}

void frmEditor::tellNotFound() {
    host.picture().beep();
    host.tell(u"\"" + finding.lastSearch() + u"\" was not found.",
              std::u16string(windowDesign::caption));
}

// Escape: a Replace all stopped leaves the text as it was.
void frmEditor::stopFinding() {
    if (finding.isReplacing())
        tellReplaceDialog(u"Replace all was cancelled: nothing was replaced.");
    finding.stop();
}

// Backward from the start of the selection, so that Shift+F3 goes on to the match before
// the one shown.
CLPos frmEditor::backwardSearchEnd() {
    const std::optional<TextRange> selected = selectedRange(box());
    return selected ? selected->start : box().cursor;
}
