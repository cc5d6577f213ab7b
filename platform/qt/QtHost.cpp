#include "QtHost.h"

#include "qtstrings.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>

std::u16string commandLineOf(const QStringList& arguments) {
    if (arguments.size() == 1) // quoted, so that quotes inside the name stay its own
        return u"\"" + toU16String(arguments.front()) + u"\"";
    return toU16String(arguments.join(u' '));
}

SurfaceHost::SurfaceHost(QtSurface& picture, std::u16string commandLine)
    : surface(picture), arguments(std::move(commandLine)) {}

void SurfaceHost::setPictureSize(int32_t width, int32_t height) {
    surface.resize(width, height);
}

template <class Dialog> auto WindowHost::runDialog(Dialog dialog) {
    ++openDialogs;
    struct Closing {
        int& count;
        ~Closing() { --count; }
    } closing{openDialogs};
    return dialog();
}

void WindowHost::setCaption(const std::u16string& caption) {
    if (window != nullptr)
        window->setWindowTitle(toQString(caption));
}

std::u16string WindowHost::inputBox(const std::u16string& prompt, const std::u16string& title,
                                    const std::u16string& defaultAnswer) {
    return runDialog([&] {
        bool accepted = false;
        const QString answer =
            QInputDialog::getText(window, toQString(title), toQString(prompt), QLineEdit::Normal,
                                  toQString(defaultAnswer), &accepted);
        return accepted ? toU16String(answer) : std::u16string();
    });
}

bool WindowHost::askYesNo(const std::u16string& question, const std::u16string& title) {
    return runDialog([&] {
        return QMessageBox::question(window, toQString(title), toQString(question),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
}

void WindowHost::reportError(const std::u16string& message, const std::u16string& title) {
    runDialog([&] { QMessageBox::warning(window, toQString(title), toQString(message)); });
}
