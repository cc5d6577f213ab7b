#include "platform/win32/InputDialog.h"

#include "platform/win32/DialogTemplate.h"

using namespace dialogTemplate;

namespace inputDialog {

std::vector<WORD> buildTemplate(const std::u16string& prompt, const std::u16string& title,
                                const std::u16string& defaultAnswer) {
    Writer out;
    out.dialog(title, 4, {0, 0, 240, 76});
    out.item(SS_LEFT | SS_NOPREFIX, {7, 7, 226, 24}, static_cast<WORD>(-1), StaticClass, prompt);
    out.item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {7, 34, 226, 14}, EditId, EditClass,
             defaultAnswer);
    out.item(BS_DEFPUSHBUTTON | WS_TABSTOP, {129, 55, 50, 14}, IDOK, ButtonClass, u"OK");
    out.item(BS_PUSHBUTTON | WS_TABSTOP, {183, 55, 50, 14}, IDCANCEL, ButtonClass, u"Cancel");
    return out.words;
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE; // focus goes to the edit field, its text selected
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* answer = reinterpret_cast<std::u16string*>(GetWindowLongPtrW(dialog, DWLP_USER));
            *answer = windowText(GetDlgItem(dialog, EditId));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return endIfCancelled(dialog, wParam) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

std::u16string ask(HWND owner, const std::u16string& prompt, const std::u16string& title,
                   const std::u16string& defaultAnswer) {
    std::u16string answer;
    runModal(owner, buildTemplate(prompt, title, defaultAnswer), procedure,
             reinterpret_cast<LPARAM>(&answer), "cannot open the input box");
    return answer;
}

} // namespace inputDialog
