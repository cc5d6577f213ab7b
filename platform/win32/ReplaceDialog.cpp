#include "platform/win32/ReplaceDialog.h"

#include "platform/win32/ReplaceDialogIds.h"

#include <stdexcept>
#include <utility>

namespace {

std::u16string itemText(HWND dialog, int id) {
    const HWND item = GetDlgItem(dialog, id);
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, u'\0');
    const int copied = GetWindowTextW(item, reinterpret_cast<wchar_t*>(text.data()),
                                      static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

bool isChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

} // namespace

ReplaceDialog::ReplaceDialog(HWND ownerWindow, Pressed onPressed)
    : owner(ownerWindow), pressed(std::move(onPressed)) {
    dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REPLACE), owner,
                                procedure, reinterpret_cast<LPARAM>(this));
    if (dialog == nullptr)
        throw std::runtime_error("the Find and Replace dialog cannot be made");
}

ReplaceDialog::~ReplaceDialog() {
    DestroyWindow(dialog);
}

void ReplaceDialog::showWith(const std::u16string& findWhat) {
    SetDlgItemTextW(dialog, IDC_FIND_WHAT, reinterpret_cast<const wchar_t*>(findWhat.c_str()));
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_FIND_WHAT)),
                 TRUE);
    SendDlgItemMessageW(dialog, IDC_FIND_WHAT, EM_SETSEL, 0, -1);
}

void ReplaceDialog::setMessage(const std::u16string& message) {
    SetDlgItemTextW(dialog, IDC_OUTCOME, reinterpret_cast<const wchar_t*>(message.c_str()));
}

bool ReplaceDialog::takes(MSG& message) const {
    return IsWindowVisible(dialog) && IsDialogMessageW(dialog, &message);
}

ReplaceFields ReplaceDialog::fields() const {
    return {itemText(dialog, IDC_FIND_WHAT), itemText(dialog, IDC_REPLACE_WITH),
            isChecked(dialog, IDC_MATCH_CASE), isChecked(dialog, IDC_WHOLE_WORD)};
}

INT_PTR CALLBACK ReplaceDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<ReplaceDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    self->command(LOWORD(wParam));
    return TRUE;
}

// The close box sends IDCANCEL too.
void ReplaceDialog::command(int id) {
    switch (id) {
    case IDOK: // Enter where the default button is not at hand
    case IDC_FIND_NEXT:
        return pressed({fields(), ReplaceButton::FindNext});
    case IDC_REPLACE:
        return pressed({fields(), ReplaceButton::Replace});
    case IDC_REPLACE_ALL:
        return pressed({fields(), ReplaceButton::ReplaceAll});
    case IDCANCEL:
        hide();
        return pressed({fields(), ReplaceButton::Close});
    default:
        return;
    }
}

void ReplaceDialog::hide() {
    ShowWindow(dialog, SW_HIDE);
    SetActiveWindow(owner);
    SetFocus(owner);
}
