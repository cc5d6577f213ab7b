#pragma once

#include "window/ReplaceDialog.h"

#include <windows.h>

#include <functional>
#include <string>

// The Find and Replace dialog: the template in ReplaceDialog.rc, made modeless over the
// editor window, whose text stays editable. The message loop passes every message through
// it (IsDialogMessage), so that Tab, Enter, Escape and the mnemonics work as in any dialog.
// Each button hands the fields to pressed; Escape and Close hide it, give the focus back to
// the editor window and are handed on as Close.
class ReplaceDialog {
public:
    using Pressed = std::function<void(const ReplaceRequest&)>;

    // Raises std::runtime_error when the dialog cannot be made.
    ReplaceDialog(HWND owner, Pressed pressed);
    ~ReplaceDialog();
    ReplaceDialog(const ReplaceDialog&) = delete;
    ReplaceDialog& operator=(const ReplaceDialog&) = delete;

    HWND handle() const { return dialog; }
    // Shown, or brought to the front, with findWhat in Find what, selected and focused.
    void showWith(const std::u16string& findWhat);
    void setMessage(const std::u16string& message);
    // Whether message was the dialog's, and handled as a dialog handles it.
    bool takes(MSG& message) const;
    ReplaceFields fields() const;

    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void command(int id);
    void hide();

    HWND owner;
    HWND dialog = nullptr;
    Pressed pressed;
};
