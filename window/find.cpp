#include "window/frmEditor.h"

#include "window/WindowDesign.h"

#include <cmath>
#include <string>
#include <utility>

namespace {

std::u16string percentText(double share) {
    const std::string digits = std::to_string(static_cast<int>(std::floor(share * 100)));
    return std::u16string(digits.begin(), digits.end()) + u"%";
}

} // namespace

// Ctrl+F, and F3 or Shift+F3 before anything was searched for.
void frmEditor::askAndFind(SearchDirection direction) {
    const std::u16string answer =
        host.inputBox(u"find:", std::u16string(windowDesign::promptTitle), lastSearch);
    if (answer.empty())
        return;
    lastSearch = answer;
    startFinding(direction);
}

void frmEditor::findAgain(SearchDirection direction) {
    if (lastSearch.empty())
        return askAndFind(direction);
    startFinding(direction);
}

// Forward from the cursor, which after a find stands at the end of its match; backward
// to before the match shown.
void frmEditor::startFinding(SearchDirection direction) {
    pendingFind.reset();
    const bool begun = guarded(u"finding", [&] {
        CLBox& b = box();
        const CLPos from = direction == SearchDirection::Forward ? b.cursor : backwardSearchEnd();
        pendingFind.emplace(
            PendingFind{TextSearch(b, lastSearch, from, direction), b.cursor, b.revision});
        continueFinding(findPacing.firstAllowance);
    });
    if (!begun)
        pendingFind.reset();
}

// A find is given up once the user edits or moves the cursor: what it would show then
// is no longer what was asked for.
void frmEditor::carryOnFinding() {
    if (!pendingFind)
        return;
    CLBox& b = box();
    if (b.revision != pendingFind->revision || !samePlace(b.cursor, pendingFind->cursor)) {
        pendingFind.reset();
        return;
    }
    if (!guarded(u"finding", [&] { continueFinding(findPacing.tickAllowance); }))
        pendingFind.reset();
}

// Searches on for at most allowance (one slice at least); a find that is not over by then
// stays pending and the caption shows how far it has come.
void frmEditor::continueFinding(std::chrono::milliseconds allowance) {
    const auto deadline = std::chrono::steady_clock::now() + allowance;
    TextSearch& search = pendingFind->search;
    TextSearch::Outcome outcome = TextSearch::Outcome::Searching;
    do {
        outcome = search.advance(box(), findPacing.sliceUnits);
    } while (outcome == TextSearch::Outcome::Searching &&
             std::chrono::steady_clock::now() < deadline);
    if (outcome == TextSearch::Outcome::Searching)
        return;
    const SearchMatch match = search.match();
    pendingFind.reset();
    if (outcome == TextSearch::Outcome::Found)
        selectMatch(match);
    else
        reportNotFound();
}

void frmEditor::stopFinding() {
    pendingFind.reset();
}

std::u16string frmEditor::findingCaption() const {
    return u"finding " + percentText(pendingFind->search.progress());
}

// The one place a match is shown: selected, the cursor at its end, the view following.
void frmEditor::selectMatch(const SearchMatch& match) {
    CLBox& b = box();
    const CursorPlace before = cursorPlace();
    setSelection(b, match.start(), match.end());
    b.viewFollow(b.cursor);
    endRunIfMoved(before);
    drawUnlessMoving();
}

// Backward from the start of the selection, so that Shift+F3 goes on to the match before
// the one shown.
CLPos frmEditor::backwardSearchEnd() {
    const std::optional<TextRange> selected = selectedRange(box());
    return selected ? selected->start : box().cursor;
}

// Nothing moves; the beep comes first, as the message waits to be read.
void frmEditor::reportNotFound() {
    host.picture().beep();
    host.tell(u"\"" + lastSearch + u"\" was not found.", std::u16string(windowDesign::caption));
}
