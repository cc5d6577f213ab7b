#include "EditorWindow.h"

#include "keys.h"
#include "qtstrings.h"
#include "window/KeyTable.h"
#include "window/WindowDesign.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QShowEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <exception>
#include <vector>

namespace {

// The paths of a drop that holds only local files; empty for anything else.
std::vector<std::u16string> droppedFiles(const QMimeData& data) {
    std::vector<std::u16string> files;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        files.push_back(toU16String(url.toLocalFile()));
    }
    return files;
}

} // namespace

EditorWindow::EditorWindow(QtSurface& picture, frmEditor& editorForm)
    : surface(picture), form(editorForm) {
    setWindowTitle(toQString(windowDesign::caption));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent); // the frame covers every pixel
    surface.onPresent = [this] { update(); };
    surface.onBeep = [] { QApplication::beep(); };
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(windowDesign::tickMilliseconds);
    connect(&timer, &QTimer::timeout, this, [this] { form.onTick(); });
    timer.start();
    followPalette();
}

// The window becomes active again after another program and after a dialog of ours alike;
// what either means is the logic's to decide.
bool EditorWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        form.onActivate();
    if (event->type() == QEvent::PaletteChange)
        followPalette();
    return QWidget::event(event);
}

namespace {

int32_t packed(const QColor& colour) {
    return packedColour(colour.red(), colour.green(), colour.blue());
}

} // namespace

// The toolkit tells no high contrast or dark preference apart from the palette itself.
void EditorWindow::followPalette() {
    const QPalette& colours = palette();
    form.onColoursChanged({packed(colours.color(QPalette::Base)),
                           packed(colours.color(QPalette::Text)),
                           packed(colours.color(QPalette::Highlight)),
                           packed(colours.color(QPalette::HighlightedText)), false, false});
}

// Painting runs in the toolkit's event loop, outside the handlers, so nothing may escape
// it; the picture's own failures are the handlers' to report.
void EditorWindow::paintEvent(QPaintEvent* event) {
    try {
        paintFrame(*event);
        paintFailureShown = false;
    } catch (const std::exception& failure) {
        reportPaintFailure(failure.what());
    }
}

void EditorWindow::paintFrame(QPaintEvent& event) {
    QPainter painter(this);
    const QImage& frame = surface.presentedImage();
    const QRect frameArea(QPoint(0, 0), frame.deviceIndependentSize().toSize());
    if (!frameArea.contains(event.rect())) // a resize the logic has not drawn yet
        painter.fillRect(event.rect(), surface.background());
    painter.drawImage(0, 0, frame);
}

// Told once, and after the paint event: a dialog opened inside one would be painted over
// by the next, without end.
void EditorWindow::reportPaintFailure(const std::string& reason) {
    if (paintFailureShown)
        return;
    paintFailureShown = true;
    const std::u16string message =
        u"The window cannot be painted: " + toU16String(QString::fromStdString(reason));
    QTimer::singleShot(0, this, [this, message] { form.onFailure(message); });
}

void EditorWindow::resizeEvent(QResizeEvent*) {
    form.onResize(width(), height());
}

// Moved to a screen of another density, the window lays out and draws anew at once.
void EditorWindow::showEvent(QShowEvent*) {
    if (followingScreens || windowHandle() == nullptr)
        return;
    followingScreens = true;
    connect(windowHandle(), &QWindow::screenChanged, this,
            [this] { form.onResize(width(), height()); });
}

// A zoom key's "=", "+" or "-" is not typed, as a command's control code is not.
void EditorWindow::keyPressEvent(QKeyEvent* event) {
    const KeyCode key = toKeyCode(event->key());
    const ShiftMask shift = toShiftMask(event->modifiers());
    form.onKeyDown(key, shift);
    if (typesItsCharacter(key, shift))
        typeText(event->text());
}

void EditorWindow::inputMethodEvent(QInputMethodEvent* event) {
    typeText(event->commitString());
    event->accept();
}

// An astral character arrives whole.
void EditorWindow::typeText(const QString& text) {
    for (const char32_t ch : text.toUcs4())
        form.onKeyPress(ch);
}

// The drawing position is left at the cursor after every frame, which is where an
// input method should open its window.
QVariant EditorWindow::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return QRectF(surface.drawingX(), surface.drawingY(), 1, surface.textHeight(u" "));
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void EditorWindow::mousePressEvent(QMouseEvent* event) {
    form.onMouseDown(toButton(event->button()), toShiftMask(event->modifiers()),
                     event->position().x(), event->position().y());
}

void EditorWindow::mouseReleaseEvent(QMouseEvent* event) {
    form.onMouseUp(toButton(event->button()), toShiftMask(event->modifiers()),
                   event->position().x(), event->position().y());
}

// The lines a notch scrolls are read at each turn, so a changed setting counts at once.
void EditorWindow::wheelEvent(QWheelEvent* event) {
    form.onWheel(
        toWheelTurn(event->angleDelta(), event->pixelDelta(), QApplication::wheelScrollLines()),
        toShiftMask(event->modifiers()));
    event->accept();
}

// Without mouse tracking these come only while a button is held.
void EditorWindow::mouseMoveEvent(QMouseEvent* event) {
    const bool leftHeld = (event->buttons() & Qt::LeftButton) != 0;
    form.onMouseMove(leftHeld ? MouseButton::Left : MouseButton::None,
                     toShiftMask(event->modifiers()), event->position().x(), event->position().y());
}

void EditorWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    form.onDoubleClick(toButton(event->button()), toShiftMask(event->modifiers()),
                       event->position().x(), event->position().y());
}

void EditorWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void EditorWindow::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void EditorWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::u16string> files = droppedFiles(*event->mimeData());
    event->acceptProposedAction();
    if (!files.empty())
        form.onDrop(files);
}

// Unsaved changes are asked about first; the window stays open unless the logic agrees.
void EditorWindow::closeEvent(QCloseEvent* event) {
    if (form.onClose())
        event->accept();
    else
        event->ignore();
}
