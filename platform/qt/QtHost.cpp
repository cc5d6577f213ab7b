#include "QtHost.h"

#include "AccessibleEditor.h"
#include "PaletteDialog.h"
#include "ReplaceDialog.h"
#include "qtstrings.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

void SurfaceHost::setPictureSize(int32_t width, int32_t height) {
    surface.resize(width, height);
}

std::u16string SurfaceHost::clipboardText() {
    return toU16String(QGuiApplication::clipboard()->text());
}

void SurfaceHost::setClipboardText(const std::u16string& text) {
    QGuiApplication::clipboard()->setText(toQString(text));
}

WindowHost::WindowHost(QtSurface& picture) : SurfaceHost(picture) {}
WindowHost::~WindowHost() = default;

// The picture follows the window's screen: its ratio, so a HiDPI screen gets sharp text,
// and its logical DPI, which turns points into pixels (the box measures again at another).
void WindowHost::setPictureSize(int32_t width, int32_t height) {
    if (window != nullptr) {
        surface.setDevicePixelRatio(window->devicePixelRatioF());
        if (const QScreen* screen = window->screen())
            surface.setLogicalDpi(screen->logicalDotsPerInchY());
    }
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

bool WindowHost::askYesNo(const std::u16string& question, const std::u16string& title,
                          EnterAnswers enter) {
    return QMessageBox::question(
               window, toQString(title), toQString(question), QMessageBox::Yes | QMessageBox::No,
               enter == EnterAnswers::Yes ? QMessageBox::Yes : QMessageBox::No) == QMessageBox::Yes;
}

bool WindowHost::askOkCancel(const std::u16string& question, const std::u16string& title) {
    return QMessageBox::question(window, toQString(title), toQString(question),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

// Buttons of our own words, each with a letter that answers it from the keyboard.
SaveChoice WindowHost::askSaveChanges(const std::u16string& question, const std::u16string& title) {
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(question),
                    QMessageBox::NoButton, window);
    QPushButton* save = box.addButton(QStringLiteral("&Save"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("&Don't save"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveChoice::Save;
    return box.clickedButton() == discard ? SaveChoice::DontSave : SaveChoice::Cancel;
}

std::u16string WindowHost::askSavePath(const std::u16string& suggestedPath) {
    return toU16String(
        QFileDialog::getSaveFileName(window, QStringLiteral("Save as"), toQString(suggestedPath)));
}

std::u16string WindowHost::askOpenPath(const std::u16string& nearPath) {
    const QString folder = nearPath.empty() ? QString() : QFileInfo(toQString(nearPath)).path();
    return toU16String(QFileDialog::getOpenFileName(window, QStringLiteral("Open"), folder));
}

void WindowHost::reportError(const std::u16string& message, const std::u16string& title) {
    QMessageBox::warning(window, toQString(title), toQString(message));
}

void WindowHost::tell(const std::u16string& message, const std::u16string& title) {
    QMessageBox::information(window, toQString(title), toQString(message));
}

std::u16string WindowHost::recoveryFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return toU16String(folder);
}

void WindowHost::showReplaceDialog(const std::u16string& findWhat) {
    if (window == nullptr)
        return;
    if (!replaceDialog)
        replaceDialog =
            std::make_unique<ReplaceDialog>(*window, [this](const ReplaceRequest& request) {
                if (replaceButtons)
                    replaceButtons(request);
            });
    replaceDialog->showWith(toQString(findWhat));
}

void WindowHost::setReplaceDialogMessage(const std::u16string& message) {
    if (replaceDialog)
        replaceDialog->setMessage(toQString(message));
}

std::optional<size_t> WindowHost::chooseFromList(const std::u16string& title,
                                                 const std::vector<ListItem>& items,
                                                 const ListFilter& filter) {
    return chooseFromPalette(window, title, items, filter);
}

void WindowHost::tellScreenReader(const AccessibleEvent& event) {
    if (window != nullptr)
        tellAccessibility(*window, event);
}
