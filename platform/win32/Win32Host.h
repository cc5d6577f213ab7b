#pragma once

#include "platform/win32/GdiSurface.h"
#include "platform/win32/ReplaceDialog.h"
#include "window/Host.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// The host services over the native window: its picture, its caption, modal dialogs
// owned by it and the clipboard.
class Win32Host : public Host {
public:
    Win32Host(HWND window, GdiSurface& picture);

    Surface& picture() override { return surface; }
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
    std::u16string clipboardText() override;
    void setClipboardText(const std::u16string& text) override;
    std::optional<size_t> chooseFromList(const std::u16string& title,
                                         const std::vector<ListItem>& items,
                                         const ListFilter& filter) override;
    void showReplaceDialog(const std::u16string& findWhat) override;
    void setReplaceDialogMessage(const std::u16string& message) override;

    // Where the Find and Replace dialog's buttons go: the window logic's onReplaceDialog.
    std::function<void(const ReplaceRequest&)> replaceButtons;
    // The message loop hands each message here first: true when a dialog of the host's took it.
    bool takesDialogMessage(MSG& message) const;
    void tellScreenReader(const AccessibleEvent& event) override {
        if (onScreenReaderEvent)
            onScreenReaderEvent(event);
    }
    // Where what the logic tells a screen reader goes: the window's automation element.
    std::function<void(const AccessibleEvent&)> onScreenReaderEvent;

private:
    HWND window;
    GdiSurface& surface;
    std::unique_ptr<ReplaceDialog> replaceDialog; // made when first shown
};
