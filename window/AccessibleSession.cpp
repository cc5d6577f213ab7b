#include "window/AccessibleSession.h"

#include "support/EngineError.h"
#include "textbox/selection.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

AccessibleText& AccessibleSession::text(const CLBox& box) {
    model.bringUpToDate(box);
    if (!following) {
        following = true;
        toldCaret = model.offsetOf(box, box.cursor);
        toldSelection = selectionOf(box);
    }
    return model;
}

// A text changed behind the model's back (a replay from the journal) is read again whole.
void AccessibleSession::beforeChanges(const CLBox& box) {
    if (following && model.holdsText() && !model.isCurrent(box)) {
        model.forget();
        tellReplaced();
    }
}

void AccessibleSession::changed(const CLBox& box, const TextChange& change) {
    if (!following || !model.holdsText())
        return;
    const std::optional<AccessibleEdit> edit = model.follow(box, change);
    if (!model.holdsText())
        return tellReplaced();
    if (!edit)
        return;
    if (!edit->removed.empty())
        waiting.push_back({AccessibleEvent::Kind::TextRemoved, edit->offset, 0, edit->removed});
    if (!edit->inserted.empty())
        waiting.push_back({AccessibleEvent::Kind::TextInserted, edit->offset, 0, edit->inserted});
}

void AccessibleSession::afterChanges(const CLBox& box) {
    model.settle(box);
}

void AccessibleSession::replaced() {
    model.forget();
    if (following)
        tellReplaced();
}

std::optional<TextSpan> AccessibleSession::selectionOf(const CLBox& box) const {
    const std::optional<TextRange> range = selectedRange(box);
    if (!range)
        return std::nullopt;
    return TextSpan{model.offsetOf(box, range->start), model.offsetOf(box, range->end)};
}

void AccessibleSession::tellReplaced() {
    if (waiting.empty() || waiting.back().kind != AccessibleEvent::Kind::TextReplaced)
        waiting.push_back({AccessibleEvent::Kind::TextReplaced});
}

std::vector<AccessibleEvent> AccessibleSession::take(const CLBox& box) {
    if (!following)
        return {};
    std::vector<AccessibleEvent> told = std::exchange(waiting, {});
    try {
        model.bringUpToDate(box);
        const int32_t caret = model.offsetOf(box, box.cursor);
        const std::optional<TextSpan> selection = selectionOf(box);
        if (caret != toldCaret)
            told.push_back({AccessibleEvent::Kind::CaretMoved, caret});
        if (selection != toldSelection) {
            const TextSpan shown = selection.value_or(TextSpan{caret, caret});
            told.push_back({AccessibleEvent::Kind::Selected, shown.start, shown.end});
        }
        toldCaret = caret;
        toldSelection = selection;
    } catch (const EngineError&) { // a text too long to offer: the reader is told it went
        following = false;
        model.forget();
        told.push_back({AccessibleEvent::Kind::TextReplaced});
    }
    return told;
}

TextSpan AccessibleDocument::selection() const {
    const std::optional<TextRange> range = selectedRange(shown);
    if (!range) {
        const int32_t caret = caretOffset();
        return {caret, caret};
    }
    return {model.offsetOf(shown, range->start), model.offsetOf(shown, range->end)};
}

PixelPoint AccessibleDocument::pointOf(int32_t offset) const {
    return shown.posToXYScrmov(model.positionAt(shown, offset));
}

ViewRect AccessibleDocument::characterBounds(int32_t offset) const {
    const TextSpan character = model.unitAt(shown, offset, TextUnit::Character);
    const int32_t line = model.lineAt(character.start);
    const PixelPoint from = pointOf(character.start);
    const bool lineEnd = character.end == model.lineSpan(line).end && line + 1 < shown.lines.size();
    const int32_t right = lineEnd || character.end == character.start
                              ? from.x + shown.spaceWidth
                              : std::max(pointOf(character.end).x, from.x + 1);
    return {from.x, from.y, right, from.y + shown.lines.wei(line)};
}

ViewRect AccessibleDocument::lineBounds(int32_t line, TextSpan span) const {
    const TextSpan whole = model.lineSpan(line);
    const int32_t start = std::max(span.start, whole.start);
    const int32_t end = std::min(span.end, whole.end);
    const PixelPoint from = pointOf(start);
    const bool toLineEnd = end == whole.end && line + 1 < shown.lines.size();
    const int32_t right = toLineEnd ? pointOf(end - 1).x + shown.spaceWidth : pointOf(end).x;
    return {from.x, from.y, std::max(right, from.x + 1), from.y + shown.lines.wei(line)};
}

std::vector<ViewRect> AccessibleDocument::spanBounds(TextSpan span) const {
    std::vector<ViewRect> bounds;
    const TextSpan shownLines = visibleSpan();
    const int32_t start = std::max(span.start, shownLines.start);
    const int32_t end = std::min(span.end, shownLines.end);
    if (start >= end)
        return bounds;
    for (int32_t line = model.lineAt(start); line <= model.lineAt(end - 1); ++line)
        bounds.push_back(lineBounds(line, {start, end}));
    return bounds;
}

int32_t AccessibleDocument::offsetAtPoint(int32_t viewX, int32_t viewY) const {
    return model.offsetOf(shown, shown.XYscrmovToPos(viewX, viewY, false));
}

TextSpan AccessibleDocument::visibleSpan() const {
    const int32_t first = shown.XYscrmovToPos(0, 0, true).yLine;
    const int32_t last = shown.XYscrmovToPos(0, std::max(shown.viewHeight - 1, 0), true).yLine;
    return {model.lineSpan(first).start, model.lineSpan(last).end};
}
