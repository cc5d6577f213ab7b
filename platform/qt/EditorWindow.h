#pragma once

#include "QtSurface.h"
#include "window/frmEditor.h"

#include <QTimer>
#include <QWidget>

#include <string>

// The program's one top-level window. Its whole client area is the picture: it paints
// the surface's presented frame and hands every native event, translated, to the
// window logic. It holds no editing or layout logic of its own.
class EditorWindow : public QWidget {
public:
    EditorWindow(QtSurface& picture, frmEditor& form);
    // The logic behind the window, for its accessibility interface.
    frmEditor& logic() const { return form; }
    // Draws in the palette's colours, as it is now.
    void followPalette();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Tab is text here: it must reach the editor instead of moving the focus.
    bool focusNextPrevChild(bool) override { return false; }

private:
    void paintFrame(QPaintEvent& event);
    void reportPaintFailure(const std::string& reason);
    void typeText(const QString& text);

    QtSurface& surface;
    frmEditor& form;
    QTimer timer;
    bool followingScreens = false;
    bool paintFailureShown = false;
};
