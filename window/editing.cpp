#include "window/frmEditor.h"

#include "textbox/alignedcopy.h"
#include "textbox/spacedcolumns.h"

#include <memory>
#include <utility>

namespace {

const auto nothing = std::make_shared<const TextFragment>();

} // namespace

frmEditor::CursorPlace frmEditor::cursorPlace() {
    const CLPos& at = box().cursor;
    return {CLPos{at.yLine, at.xTab, at.xChar}, selectedRange(box()), box().selectedBlock};
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
    history.begin(box(), kind);
    const bool done = journalled(operation, [&](const TextChangeSink& told) {
        action([&](const TextChange& change) {
            history.record(change);
            told(change);
        });
    });
    history.end(box());
    return done;
}

// Every change of the text passes here, whatever feature made it: to the journal and to a
// screen reader.
bool frmEditor::journalled(std::u16string_view operation, const TextAction& action) {
    std::vector<TextChange> made;
    accessible.beforeChanges(box());
    const bool done = guarded(operation, [&] {
        action([&](const TextChange& change) {
            made.push_back(change);
            accessible.changed(box(), change);
        });
    });
    accessible.afterChanges(box());
    document.journal(box(), made, box().cursor);
    if (!made.empty()) {
        pointer.release(); // a drag's start is gone with the text it stood in
        extending.end();   // and so is an extended selection's
    }
    return done;
}

// Typing, Tab and Enter replace what is selected; Backspace removes it, and only it.
void frmEditor::insert(char32_t code, std::u16string_view operation) {
    const auto kind =
        CLBox::isTypable(code) ? EditHistory::Action::Typing : EditHistory::Action::Other;
    const bool done = changeText(kind, operation, [&](const TextChangeSink& told) {
        const std::optional<TextRange> selected = selectedRange(box());
        clearSelection(box());
        if (selected)
            eraseSelection(*selected, told);
        if (!selected || code != CLBox::backspaceCode)
            box().insertChar(code, box().cursor, told);
    });
    if (done)
        drawUnlessMoving();
}

void frmEditor::deleteForward() {
    const bool done =
        changeText(EditHistory::Action::Other, u"deleting", [&](const TextChangeSink& told) {
            const std::optional<TextRange> selected = selectedRange(box());
            clearSelection(box());
            if (selected)
                eraseSelection(*selected, told);
            else
                ::deleteForward(box(), box().cursor, told);
        });
    if (done)
        drawUnlessMoving();
}

void frmEditor::eraseSelection(const TextRange& selected, const TextChangeSink& told) {
    replaceRange(box(), selected.start, selected.end, nothing, told);
    box().cursor = selected.start;
    followCursor();
}

// After an edit of its own the cursor forgets its x, and the view follows it.
void frmEditor::followCursor() {
    CLBox& edited = box();
    edited.cursor = characterBoundary(edited, edited.cursor);
    edited.cursor.xPosMem = -1;
    edited.viewFollow(edited.cursor);
}

// Undo and redo: nothing to take back or make again beeps.
void frmEditor::takeBack(bool (EditHistory::*direction)(CLBox&, const TextChangeSink&),
                         std::u16string_view operation) {
    clearSelection(box());
    bool tookBack = false;
    const bool done = journalled(operation, [&](const TextChangeSink& told) {
        tookBack = (history.*direction)(box(), told);
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
    const CursorPlace before = cursorPlace();
    guarded(u"selecting", [&] {
        const TextRange whole = wholeText(box());
        setSelection(box(), whole.start, whole.end);
        box().viewFollow(box().cursor);
    });
    endRunIfMoved(before);
    drawUnlessMoving();
}

// Copied as saving writes the text, or with its columns in spaces; nothing selected,
// nothing happens.
void frmEditor::copy(KeyAction::Kind how) {
    const std::optional<TextRange> selected = selectedRange(box());
    if (!selected)
        return;
    guarded(u"copying", [&] {
        auto text = std::make_shared<const TextFragment>(
            textBetween(box(), selected->start, selected->end));
        host.setClipboardText(
            how == KeyAction::Kind::CopyAligned
                ? alignedWithSpaces(std::move(text))
                : savedText(*text, box().options, placeOf(box(), selected->start)));
    });
}

// What could not be copied is not removed.
void frmEditor::cut() {
    const std::optional<TextRange> selected = selectedRange(box());
    if (!selected)
        return;
    const bool copied = guarded(u"cutting", [&] {
        host.setClipboardText(savedText(textBetween(box(), selected->start, selected->end),
                                        box().options, placeOf(box(), selected->start)));
    });
    if (copied && changeText(EditHistory::Action::Other, u"cutting",
                             [&](const TextChangeSink& told) { eraseSelection(*selected, told); }))
        drawUnlessMoving();
}

// An empty clipboard pastes nothing, and leaves what is selected. The text of the block
// copied last, with nothing selected, pastes as that block; pasted as columns, its
// space-aligned lines are made cells first.
void frmEditor::paste(KeyAction::Kind how) {
    std::u16string text;
    if (!guarded(u"pasting", [&] { text = host.clipboardText(); }) || text.empty())
        return;
    if (const std::vector<BlockRow>* rows = copiedBlock.rowsFor(text);
        rows != nullptr && how == KeyAction::Kind::Paste && !selectedRange(box()))
        return pasteBlockRows(*rows);
    const bool done =
        changeText(EditHistory::Action::Other, u"pasting", [&](const TextChangeSink& told) {
            const std::optional<TextRange> selected = selectedRange(box());
            pasteOver(selected ? *selected : TextRange{box().cursor, box().cursor}, text, told,
                      how);
        });
    if (done)
        drawUnlessMoving();
}

// A text goes in as the clipboard's would, the cursor after it.
void frmEditor::pasteOver(const TextRange& at, std::u16string_view text, const TextChangeSink& told,
                          KeyAction::Kind how) {
    CLBox& pasted = box();
    const TextPlace place = placeOf(pasted, at.start);
    TextFragment split = pastedText(text, pasted.options, place);
    auto fragment = std::make_shared<const TextFragment>(
        how == KeyAction::Kind::PasteAsColumns ? spacesToColumns(split, pasted.options, place)
                                               : std::move(split));
    clearSelection(pasted);
    replaceRange(pasted, at.start, at.end, fragment, told);
    pasted.cursor = endOf(at.start, *fragment);
    followCursor();
}

// Loading a text starts its history afresh.
void frmEditor::loadText(std::u16string&& text) {
    history.clear();
    pointer.release();
    extending.end();
    accessible.replaced();
    box().loadtext(std::move(text));
}
