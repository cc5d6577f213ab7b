#include "AccessibleEditor.h"

#include "EditorWindow.h"
#include "qtstrings.h"

#include <QAccessible>
#include <QWidget>

#include <exception>

namespace {

TextUnit unitOf(QAccessible::TextBoundaryType boundary) {
    switch (boundary) {
    case QAccessible::CharBoundary:
        return TextUnit::Character;
    case QAccessible::WordBoundary:
        return TextUnit::Word;
    case QAccessible::NoBoundary:
        return TextUnit::Document;
    default: // sentences, paragraphs and lines are the document's lines
        return TextUnit::Line;
    }
}

// A question the logic cannot answer (its surface failing to measure) gets the empty answer:
// nothing may escape into the toolkit's event loop.
template <class Answer, class Question>
Answer answered(Question&& question, Answer otherwise = Answer()) {
    try {
        return question();
    } catch (const std::exception&) {
        return otherwise;
    }
}

// The unit's text, its span written to start and end; empty, both -1, where there is none
// (an empty span).
QString spanText(const AccessibleDocument& document, TextSpan span, int* start, int* end) {
    if (span.start >= span.end) {
        *start = *end = -1;
        return {};
    }
    *start = span.start;
    *end = span.end;
    return toQString(document.text(span));
}

} // namespace

AccessibleEditor::AccessibleEditor(QWidget* window, frmEditor& editorForm)
    : QAccessibleWidget(window, QAccessible::EditableText), form(editorForm) {}

void* AccessibleEditor::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State AccessibleEditor::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString AccessibleEditor::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name)
        return widget()->windowTitle();
    return QAccessibleWidget::text(kind);
}

void AccessibleEditor::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    const TextSpan span = answered<TextSpan>([&] { return form.accessibleDocument().selection(); });
    const bool exists = selectionIndex == 0 && span.start != span.end;
    *startOffset = exists ? span.start : 0;
    *endOffset = exists ? span.end : 0;
}

int AccessibleEditor::selectionCount() const {
    const TextSpan span = answered<TextSpan>([&] { return form.accessibleDocument().selection(); });
    return span.start != span.end ? 1 : 0;
}

void AccessibleEditor::addSelection(int startOffset, int endOffset) {
    form.onAccessibleSelect(startOffset, endOffset);
}

void AccessibleEditor::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        form.onAccessibleSelect(cursorPosition(), cursorPosition());
}

void AccessibleEditor::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        form.onAccessibleSelect(startOffset, endOffset);
}

int AccessibleEditor::cursorPosition() const {
    return answered<int>([&] { return form.accessibleDocument().caretOffset(); });
}

void AccessibleEditor::setCursorPosition(int position) {
    form.onAccessibleSelect(position, position);
}

QString AccessibleEditor::text(int startOffset, int endOffset) const {
    return answered<QString>([&] {
        return toQString(form.accessibleDocument().text({startOffset, endOffset}));
    });
}

QString AccessibleEditor::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    return answered<QString>([&] {
        const AccessibleDocument document = form.accessibleDocument();
        const TextUnit unit = unitOf(boundaryType);
        const TextSpan at = document.unitAt(offset, unit);
        const TextSpan before = at.start > 0 ? document.unitAt(at.start - 1, unit) : TextSpan{};
        return spanText(document, before, startOffset, endOffset);
    });
}

QString AccessibleEditor::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
    return answered<QString>([&] {
        const AccessibleDocument document = form.accessibleDocument();
        const TextUnit unit = unitOf(boundaryType);
        const TextSpan at = document.unitAt(offset, unit);
        const TextSpan after =
            at.end < document.characterCount() ? document.unitAt(at.end, unit) : TextSpan{};
        return spanText(document, after, startOffset, endOffset);
    });
}

QString AccessibleEditor::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                       int* startOffset, int* endOffset) const {
    return answered<QString>([&] {
        const AccessibleDocument document = form.accessibleDocument();
        return spanText(document, document.unitAt(offset, unitOf(boundaryType)), startOffset,
                        endOffset);
    });
}

int AccessibleEditor::characterCount() const {
    return answered<int>([&] { return form.accessibleDocument().characterCount(); });
}

QRect AccessibleEditor::characterRect(int offset) const {
    return answered<QRect>([&] {
        const ViewRect box = form.accessibleDocument().characterBounds(offset);
        return QRect(widget()->mapToGlobal(QPoint(box.left, box.top)),
                     QSize(box.right - box.left, box.bottom - box.top));
    });
}

int AccessibleEditor::offsetAtPoint(const QPoint& point) const {
    const QPoint inView = widget()->mapFromGlobal(point);
    if (!widget()->rect().contains(inView))
        return -1;
    return answered<int>(
        [&] { return form.accessibleDocument().offsetAtPoint(inView.x(), inView.y()); }, -1);
}

void AccessibleEditor::scrollToSubstring(int startIndex, int) {
    form.onAccessibleShow(startIndex);
}

// Plain text: no attributes, the same over the whole.
QString AccessibleEditor::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void AccessibleEditor::deleteText(int startOffset, int endOffset) {
    form.onAccessibleReplace({startOffset, endOffset}, u"");
}

void AccessibleEditor::insertText(int offset, const QString& text) {
    form.onAccessibleReplace({offset, offset}, toU16String(text));
}

void AccessibleEditor::replaceText(int startOffset, int endOffset, const QString& text) {
    form.onAccessibleReplace({startOffset, endOffset}, toU16String(text));
}

QAccessibleInterface* accessibleEditorFactory(const QString&, QObject* object) {
    if (auto* window = dynamic_cast<EditorWindow*>(object))
        return new AccessibleEditor(window, window->logic()); // Qt owns its interfaces
    return nullptr;
}

// A load names no old text, so the reader is only told that the text changed and reads it
// again.
void tellAccessibility(QWidget& window, const AccessibleEvent& event) {
    using Kind = AccessibleEvent::Kind;
    switch (event.kind) {
    case Kind::TextRemoved: {
        QAccessibleTextRemoveEvent removed(&window, event.offset, toQString(event.text));
        return QAccessible::updateAccessibility(&removed);
    }
    case Kind::TextInserted: {
        QAccessibleTextInsertEvent inserted(&window, event.offset, toQString(event.text));
        return QAccessible::updateAccessibility(&inserted);
    }
    case Kind::TextReplaced: {
        QAccessibleTextUpdateEvent updated(&window, 0, QString(), QString());
        return QAccessible::updateAccessibility(&updated);
    }
    case Kind::CaretMoved: {
        QAccessibleTextCursorEvent moved(&window, event.offset);
        return QAccessible::updateAccessibility(&moved);
    }
    case Kind::Selected: {
        QAccessibleTextSelectionEvent selected(&window, event.offset, event.end);
        return QAccessible::updateAccessibility(&selected);
    }
    }
}
