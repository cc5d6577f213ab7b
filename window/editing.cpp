#include "window/frmEditor.h"

#include "textbox/alignedcopy.h"

#include <memory>
#include <utility>

namespace {

constexpr char32_t Backspace = 8;

const auto nothing = std::make_shared<const TextFragment>();

} // namespace

frmEditor::CursorPlace frmEditor::cursorPlace() {
    const CLPos& at = box().cursor;
    return {CLPos{at.yLine, at.xTab, at.xChar}, selectedRange(box())};
}

// Keys that do nothing, and modifier keys alone, leave a run of typing open.
void frmEditor::endRunIfMoved(const CursorPlace& before) {
    if (cursorPlace() != before)
        history.breakRun();
}

// Each change of the action goes to the history, as one step or the next part of a run of
// typing, and to the journal, whatever becomes of the action itself.
bool frmEditor::changeText(EditHistory::Action kind, std::u16string_view operation,
                           const TextAction& action) {
    CLBox& b = box();
    history.begin(b, kind);
    const bool done = journalled(operation, [&](const TextChangeSink& told) {
        action([&](const TextChange& change) {
            history.record(change);
            told(change);
        });
    });
    history.end(b);
    return done;
}

bool frmEditor::journalled(std::u16string_view operation, const TextAction& action) {
    std::vector<TextChange> made;
    const bool done = guarded(
        operation, [&] { action([&](const TextChange& change) { made.push_back(change); }); });
    journalChanges(made);
    if (!made.empty())
        dragAnchor.reset(); // a drag's start is gone with the text it stood in
    return done;
}

// Typing, Tab and Enter replace what is selected; Backspace removes it, and only it.
void frmEditor::insert(char32_t code, std::u16string_view operation) {
    const auto kind =
        CLBox::isTypable(code) ? EditHistory::Action::Typing : EditHistory::Action::Other;
    const bool done = changeText(kind, operation, [&](const TextChangeSink& told) {
        CLBox& b = box();
        const std::optional<TextRange> selected = selectedRange(b);
        clearSelection(b);
        if (selected)
            eraseSelection(*selected, told);
        if (!selected || code != Backspace)
            keyEdit(b, code, b.cursor, told);
    });
    if (done)
        drawUnlessMoving();
}

void frmEditor::deleteForward() {
    const bool done =
        changeText(EditHistory::Action::Other, u"deleting", [&](const TextChangeSink& told) {
            CLBox& b = box();
            const std::optional<TextRange> selected = selectedRange(b);
            clearSelection(b);
            if (selected)
                eraseSelection(*selected, told);
            else
                ::deleteForward(b, b.cursor, told);
        });
    if (done)
        drawUnlessMoving();
}

void frmEditor::eraseSelection(const TextRange& selected, const TextChangeSink& told) {
    CLBox& b = box();
    replaceRange(b, selected.start, selected.end, nothing, told);
    b.cursor = selected.start;
    followCursor();
}

// After an edit of its own the cursor forgets its x, and the view follows it.
void frmEditor::followCursor() {
    CLBox& b = box();
    b.cursor = characterBoundary(b, b.cursor);
    b.cursor.xPosMem = -1;
    b.viewFollow(b.cursor);
}

// Undo and redo: nothing to take back or make again beeps.
void frmEditor::takeBack(bool (EditHistory::*direction)(CLBox&, const TextChangeSink&),
                         std::u16string_view operation) {
    CLBox& b = box();
    clearSelection(b);
    bool tookBack = false;
    const bool done = journalled(operation, [&](const TextChangeSink& told) {
        tookBack = (history.*direction)(b, told);
        if (tookBack)
            followCursor();
    });
    if (!modified())
        forgetJournal(); // the text is its base again
    if (done && !tookBack)
        host.picture().beep();
    if (done)
        drawUnlessMoving();
    else
        draw();
}

void frmEditor::selectAll() {
    CLBox& b = box();
    const CursorPlace before = cursorPlace();
    guarded(u"selecting", [&] {
        const TextRange whole = wholeText(b);
        setSelection(b, whole.start, whole.end);
        b.viewFollow(b.cursor);
    });
    endRunIfMoved(before);
    drawUnlessMoving();
}

// Copied as saving writes the text, or with its columns in spaces; nothing selected,
// nothing happens.
void frmEditor::copy(KeyAction::Kind how) {
    CLBox& b = box();
    const std::optional<TextRange> selected = selectedRange(b);
    if (!selected)
        return;
    guarded(u"copying", [&] {
        auto text =
            std::make_shared<const TextFragment>(textBetween(b, selected->start, selected->end));
        host.setClipboardText(how == KeyAction::Kind::CopyAligned
                                  ? alignedWithSpaces(text, b.options)
                                  : savedText(*text, b.options, placeOf(b, selected->start)));
    });
}

// What could not be copied is not removed.
void frmEditor::cut() {
    CLBox& b = box();
    const std::optional<TextRange> selected = selectedRange(b);
    if (!selected)
        return;
    const bool copied = guarded(u"cutting", [&] {
        host.setClipboardText(savedText(textBetween(b, selected->start, selected->end), b.options,
                                        placeOf(b, selected->start)));
    });
    if (copied && changeText(EditHistory::Action::Other, u"cutting",
                             [&](const TextChangeSink& told) { eraseSelection(*selected, told); }))
        drawUnlessMoving();
}

// An empty clipboard pastes nothing, and leaves what is selected.
void frmEditor::paste() {
    CLBox& b = box();
    std::u16string text;
    if (!guarded(u"pasting", [&] { text = host.clipboardText(); }) || text.empty())
        return;
    const bool done =
        changeText(EditHistory::Action::Other, u"pasting", [&](const TextChangeSink& told) {
            const std::optional<TextRange> selected = selectedRange(b);
            const TextRange at = selected ? *selected : TextRange{b.cursor, b.cursor};
            auto fragment = std::make_shared<const TextFragment>(
                pastedText(text, b.options, placeOf(b, at.start)));
            clearSelection(b);
            replaceRange(b, at.start, at.end, fragment, told);
            b.cursor = endOf(at.start, *fragment);
            followCursor();
        });
    if (done)
        drawUnlessMoving();
}

// Loading a text starts its history afresh.
void frmEditor::loadText(std::u16string&& text) {
    history.clear();
    dragAnchor.reset();
    box().loadtext(std::move(text));
}
