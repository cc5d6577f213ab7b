#pragma once

#include "textbox/CLBox.h"
#include "textbox/accessibletext.h"
#include "textbox/textrange.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a screen reader is told: a change of the text, where the caret went, what is
// selected. Offsets are the accessible text's (textbox/accessibletext.h).
struct AccessibleEvent {
    enum class Kind {
        TextRemoved,  // text went from offset
        TextInserted, // text came at offset
        TextReplaced, // the whole text gave way to another, as a load gives it
        CaretMoved,   // the caret stands at offset
        Selected,     // offset to end is selected; nothing any more when they are equal
    };
    Kind kind = Kind::CaretMoved;
    int32_t offset = 0;
    int32_t end = 0;
    std::u16string text = {};
    bool operator==(const AccessibleEvent&) const = default;
};

// The screen reader's side of the window: the accessible text once a reader has asked for
// it, and what the reader has been told. From the first question on, every change of the
// text, every move of the caret and every change of the selection is told once, after the
// handler that made it; until then nothing is kept, so that a window without a reader
// spends nothing on one.
class AccessibleSession {
public:
    // The accessible text of box, brought up to date; the first call starts the telling.
    AccessibleText& text(const CLBox& box);
    bool isFollowing() const { return following; }

    // An action is about to change the text through the text-range layer. Each change it
    // makes goes to changed as it is told, and the action's end to afterChanges.
    void beforeChanges(const CLBox& box);
    void changed(const CLBox& box, const TextChange& change);
    void afterChanges(const CLBox& box);
    // A new text replaced the whole, as loading gives it.
    void replaced();

    // What to tell now: the text's changes in order, then the caret and the selection
    // where they no longer stand where they were told. A text the model cannot hold (past
    // 32-bit offsets) ends the telling, with a last TextReplaced.
    std::vector<AccessibleEvent> take(const CLBox& box);

private:
    void tellReplaced();
    std::optional<TextSpan> selectionOf(const CLBox& box) const;

    AccessibleText model;
    bool following = false;
    std::vector<AccessibleEvent> waiting;
    int32_t toldCaret = 0;
    std::optional<TextSpan> toldSelection; // none while nothing is selected
};

// A rectangle of the picture, in its pixels; right and bottom are outside it.
struct ViewRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ViewRect&) const = default;
};

// A screen reader's questions about the window's text, answered for a front end to
// translate. Offsets past the text are taken as its end; points and rectangles are in the
// picture's pixels as the view shows them now. A question that fails (the surface failing
// to measure) raises what failed.
class AccessibleDocument {
public:
    AccessibleDocument(CLBox& box, const AccessibleText& text) : shown(box), model(text) {}

    int32_t characterCount() const { return model.length(); }
    std::u16string text(TextSpan span) const { return model.text(shown, span); }
    int32_t caretOffset() const { return model.offsetOf(shown, shown.cursor); }
    // Empty at the caret when nothing is selected.
    TextSpan selection() const;
    TextSpan unitAt(int32_t offset, TextUnit unit) const {
        return model.unitAt(shown, offset, unit);
    }
    // The character's box: a tab spans its gap, a line end a space's width.
    ViewRect characterBounds(int32_t offset) const;
    // One rectangle for each line of span that it covers, as far as it covers it.
    std::vector<ViewRect> spanBounds(TextSpan span) const;
    int32_t offsetAtPoint(int32_t viewX, int32_t viewY) const;
    // From the start of the first line in view to the end of the last.
    TextSpan visibleSpan() const;

private:
    // Where offset is drawn, in view pixels, and the height of its line.
    PixelPoint pointOf(int32_t offset) const;
    ViewRect lineBounds(int32_t line, TextSpan span) const;

    CLBox& shown;
    const AccessibleText& model;
};
