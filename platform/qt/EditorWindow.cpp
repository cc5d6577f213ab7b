#include "EditorWindow.h"

#include "keys.h"
#include "qtstrings.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>
#include <QWindow>

#include <vector>

namespace {

constexpr int tickMilliseconds = 10;

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

EditorWindow::EditorWindow(QtSurface& picture, frmEditor& editorForm, WindowHost& windowHost)
    : surface(picture), form(editorForm), host(windowHost) {
    setWindowTitle(QStringLiteral("Columnator"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent); // the frame covers every pixel
    surface.onPresent = [this] { update(); };
    surface.onBeep = [] { QApplication::beep(); };
    if (const QScreen* current = screen())
        surface.setLogicalDpi(current->logicalDotsPerInchY());
    matchScreen();
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(tickMilliseconds);
    connect(&timer, &QTimer::timeout, this, [this] { tick(); });
    timer.start();
}

// The image holds as many device pixels as the screen shows, so a HiDPI screen gets
// sharp text. Only the ratio follows the screen: the logical DPI, which turns points into
// pixels, stays that of the start, since the cells were measured in it.
void EditorWindow::matchScreen() {
    surface.setDevicePixelRatio(devicePixelRatioF());
}

void EditorWindow::tick() {
    if (!host.dialogOpen())
        form.onTick();
}

void EditorWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& frame = surface.presentedImage();
    const QRect frameArea(QPoint(0, 0), frame.deviceIndependentSize().toSize());
    if (!frameArea.contains(event->rect())) // a resize the logic has not drawn yet
        painter.fillRect(event->rect(), surface.background());
    painter.drawImage(0, 0, frame);
}

void EditorWindow::resizeEvent(QResizeEvent*) {
    matchScreen();
    form.onResize(width(), height());
}

// Moved to a screen of another density, the window lays out and draws anew at once.
void EditorWindow::showEvent(QShowEvent*) {
    if (followingScreens || windowHandle() == nullptr)
        return;
    followingScreens = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] {
        matchScreen();
        form.onResize(width(), height());
    });
}

void EditorWindow::keyPressEvent(QKeyEvent* event) {
    if (const int32_t code = toKeyCode(event->key()); code != 0)
        form.onKeyDown(code, toShiftMask(event->modifiers()));
    typeText(event->text());
}

void EditorWindow::inputMethodEvent(QInputMethodEvent* event) {
    typeText(event->commitString());
    event->accept();
}

void EditorWindow::typeText(const QString& text) {
    for (const char32_t ch : typedCharacters(text))
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
    if (const int32_t button = toButton(event->button()); button != 0)
        form.onMouseDown(button, toShiftMask(event->modifiers()), event->position().x(),
                         event->position().y());
}

void EditorWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (const int32_t button = toButton(event->button()); button != 0)
        form.onMouseUp(button, toShiftMask(event->modifiers()), event->position().x(),
                       event->position().y());
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
