#include "QtHost.h"

#include "qtstrings.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>

void SurfaceHost::setPictureSize(int32_t width, int32_t height) {
    surface.resize(width, height);
}

// Only the ratio follows the screen, so a HiDPI screen gets sharp text: the logical DPI,
// which turns points into pixels, stays that of the start, since the cells were measured
// in it.
void WindowHost::setPictureSize(int32_t width, int32_t height) {
    if (window != nullptr)
        surface.setDevicePixelRatio(window->devicePixelRatioF());
    SurfaceHost::setPictureSize(width, height);
}

void WindowHost::setCaption(const std::u16string& caption) {
    if (window != nullptr)
        window->setWindowTitle(toQString(caption));
}

std::u16string WindowHost::inputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultAnswer) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(window, toQString(title), toQString(prompt), QLineEdit::Normal,
                              toQString(defaultAnswer), &accepted);
    return accepted ? toU16String(answer) : std::u16string();
}

bool WindowHost::askYesNo(const std::u16string& question, const std::u16string& title) {
    return QMessageBox::question(window, toQString(title), toQString(question),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void WindowHost::reportError(const std::u16string& message, const std::u16string& title) {
    QMessageBox::warning(window, toQString(title), toQString(message));
}
