#pragma once

#include "window/AccessibleSession.h"
#include "window/frmEditor.h"

#include <QAccessibleWidget>

class QWidget;

// The editor window as assistive technology sees it: an editable multi-line text, whose
// questions are the window logic's accessible document translated into Qt's terms. Offsets
// are UTF-16 units, as a QString counts them, and so the logic's own.
class AccessibleEditor : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface {
public:
    AccessibleEditor(QWidget* window, frmEditor& form);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    frmEditor& form;
};

// Makes the editor window's interface for Qt; install with QAccessible::installFactory.
QAccessibleInterface* accessibleEditorFactory(const QString& className, QObject* object);

// Raises the Qt event for what the logic tells a screen reader about window.
void tellAccessibility(QWidget& window, const AccessibleEvent& event);
