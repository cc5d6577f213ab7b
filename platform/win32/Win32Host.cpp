#include "platform/win32/Win32Host.h"

#include "platform/win32/AppDataFolder.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/FileDialog.h"
#include "platform/win32/InputDialog.h"
#include "platform/win32/PaletteDialog.h"

Win32Host::Win32Host(HWND ownerWindow, GdiSurface& picture)
    : window(ownerWindow), surface(picture) {}

void Win32Host::setPictureSize(int32_t width, int32_t height) {
    surface.resize(width, height);
}

void Win32Host::setCaption(const std::u16string& caption) {
    SetWindowTextW(window, wide(caption));
}

std::u16string Win32Host::inputBox(const std::u16string& prompt, const std::u16string& title,
                                   const std::u16string& defaultAnswer) {
    return inputDialog::ask(window, prompt, title, defaultAnswer);
}

bool Win32Host::askYesNo(const std::u16string& question, const std::u16string& title,
                         EnterAnswers enter) {
    const UINT enterButton = enter == EnterAnswers::Yes ? MB_DEFBUTTON1 : MB_DEFBUTTON2;
    return MessageBoxW(window, wide(question), wide(title),
                       MB_YESNO | MB_ICONQUESTION | enterButton) == IDYES;
}

void Win32Host::reportError(const std::u16string& message, const std::u16string& title) {
    MessageBoxW(window, wide(message), wide(title), MB_OK | MB_ICONERROR);
}

void Win32Host::tell(const std::u16string& message, const std::u16string& title) {
    MessageBoxW(window, wide(message), wide(title), MB_OK | MB_ICONINFORMATION);
}

bool Win32Host::askOkCancel(const std::u16string& question, const std::u16string& title) {
    return MessageBoxW(window, wide(question), wide(title), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

SaveChoice Win32Host::askSaveChanges(const std::u16string& question, const std::u16string& title) {
    switch (MessageBoxW(window, wide(question), wide(title), MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
        return SaveChoice::Save;
    case IDNO:
        return SaveChoice::DontSave;
    default:
        return SaveChoice::Cancel;
    }
}

std::u16string Win32Host::askSavePath(const std::u16string& suggestedPath) {
    return fileDialog::ask(window, fileDialog::Kind::Save, suggestedPath);
}

std::u16string Win32Host::askOpenPath(const std::u16string& nearPath) {
    return fileDialog::ask(window, fileDialog::Kind::Open, nearPath);
}

std::u16string Win32Host::recoveryFolder() {
    return appDataFolder::ownFolderIn(appDataFolder::localAppData());
}

std::u16string Win32Host::clipboardText() {
    return clipboard::text(window);
}

void Win32Host::setClipboardText(const std::u16string& text) {
    clipboard::setText(window, text);
}

void Win32Host::showReplaceDialog(const std::u16string& findWhat) {
    if (!replaceDialog)
        replaceDialog =
            std::make_unique<ReplaceDialog>(window, [this](const ReplaceRequest& request) {
                if (replaceButtons)
                    replaceButtons(request);
            });
    replaceDialog->showWith(findWhat);
}

void Win32Host::setReplaceDialogMessage(const std::u16string& message) {
    if (replaceDialog)
        replaceDialog->setMessage(message);
}

bool Win32Host::takesDialogMessage(MSG& message) const {
    return replaceDialog && replaceDialog->takes(message);
}

std::optional<size_t> Win32Host::chooseFromList(const std::u16string& title,
                                                const std::vector<ListItem>& items,
                                                const ListFilter& filter) {
    return paletteDialog::choose(window, title, items, filter);
}
