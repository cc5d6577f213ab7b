#pragma once

#include "QtSurface.h"
#include "window/Host.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;
class ReplaceDialog;

// The host services every Qt program of ours shares: the picture and the clipboard.
class SurfaceHost : public Host {
public:
    explicit SurfaceHost(QtSurface& picture) : surface(picture) {}

    Surface& picture() override { return surface; }
    void setPictureSize(int32_t width, int32_t height) override;
    std::u16string clipboardText() override;
    void setClipboardText(const std::u16string& text) override;

protected:
    QtSurface& surface;
};

// The host of the desktop window: its caption, its modal dialogs, and a picture that
// holds as many device pixels as the window's screen shows.
class WindowHost : public SurfaceHost {
public:
    explicit WindowHost(QtSurface& picture);
    ~WindowHost() override;
    void attach(QWidget& editorWindow) { window = &editorWindow; }
    // Where the Find and Replace dialog's buttons go: the window logic's onReplaceDialog.
    std::function<void(const ReplaceRequest&)> replaceButtons;

    void setPictureSize(int32_t width, int32_t height) override;
    void setCaption(const std::u16string& caption) override;
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultAnswer) override;
    bool askYesNo(const std::u16string& question, const std::u16string& title,
                  EnterAnswers enter) override;
    bool askOkCancel(const std::u16string& question, const std::u16string& title) override;
    SaveChoice askSaveChanges(const std::u16string& question, const std::u16string& title) override;
    std::u16string askSavePath(const std::u16string& suggestedPath) override;
    std::u16string askOpenPath(const std::u16string& nearPath) override;
    void reportError(const std::u16string& message, const std::u16string& title) override;
    void tell(const std::u16string& message, const std::u16string& title) override;
    std::u16string recoveryFolder() override;
    void showReplaceDialog(const std::u16string& findWhat) override;
    void setReplaceDialogMessage(const std::u16string& message) override;
    std::optional<size_t> chooseFromList(const std::u16string& title,
                                         const std::vector<ListItem>& items,
                                         const ListFilter& filter) override;
    void tellScreenReader(const AccessibleEvent& event) override;

private:
    QWidget* window = nullptr;
    std::unique_ptr<ReplaceDialog> replaceDialog; // made when first shown
};
