#include "platform/win32/PaletteDialog.h"

#include "platform/win32/DialogTemplate.h"

#include <algorithm>

using namespace dialogTemplate;

namespace {

constexpr wchar_t fieldProcedureProperty[] = L"ColumnatorPaletteField";
constexpr LRESULT page = 8;

paletteDialog::Choice& choiceOf(HWND dialog) {
    return *reinterpret_cast<paletteDialog::Choice*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The note stands after the name as a command's keys are written: "Find next    F3".
void refill(HWND dialog) {
    paletteDialog::Choice& choice = choiceOf(dialog);
    choice.listed = choice.filter(windowText(GetDlgItem(dialog, paletteDialog::EditId)));
    const HWND list = GetDlgItem(dialog, paletteDialog::ListId);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const size_t k : choice.listed) {
        const ListItem& item = choice.items.at(k);
        const std::u16string line = item.note.empty() ? item.text : item.text + u"    " + item.note;
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, choice.listed.empty() ? static_cast<WPARAM>(-1) : 0, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// Enter with nothing listed keeps the window open.
void takeChoice(HWND dialog) {
    paletteDialog::Choice& choice = choiceOf(dialog);
    const LRESULT row = SendMessageW(GetDlgItem(dialog, paletteDialog::ListId), LB_GETCURSEL, 0, 0);
    if (row < 0 || static_cast<size_t>(row) >= choice.listed.size())
        return;
    choice.taken = choice.listed[static_cast<size_t>(row)];
    EndDialog(dialog, IDOK);
}

// The row a key in the field moves the choice to, or -1 for a key that does not move it.
LRESULT rowAfterKey(WPARAM key, LRESULT row, LRESULT rows) {
    switch (key) {
    case VK_UP:
        return std::max<LRESULT>(row - 1, 0);
    case VK_DOWN:
        return std::min(row + 1, rows - 1);
    case VK_PRIOR:
        return std::max<LRESULT>(row - page, 0);
    case VK_NEXT:
        return std::min(row + page, rows - 1);
    default:
        return -1;
    }
}

// The field's own procedure, with the keys that move the choice taken from it.
LRESULT CALLBACK fieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(field, fieldProcedureProperty));
    if (message == WM_KEYDOWN) {
        const HWND list = GetDlgItem(GetParent(field), paletteDialog::ListId);
        const LRESULT rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
        const LRESULT row =
            rows > 0
                ? rowAfterKey(wParam, std::max<LRESULT>(SendMessageW(list, LB_GETCURSEL, 0, 0), 0),
                              rows)
                : -1;
        if (row >= 0) {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(field, fieldProcedureProperty);
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    }
    return CallWindowProcW(original, field, message, wParam, lParam);
}

} // namespace

namespace paletteDialog {

std::vector<WORD> buildTemplate(const std::u16string& title) {
    Writer out;
    out.dialog(title, 2, {0, 0, 260, 180});
    out.item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, {7, 7, 246, 14}, EditId, EditClass,
             u"");
    out.item(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
             {7, 25, 246, 148}, ListId, ListBoxClass, u"");
    return out.words;
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const HWND field = GetDlgItem(dialog, EditId);
        SetPropW(field, fieldProcedureProperty,
                 reinterpret_cast<HANDLE>(GetWindowLongPtrW(field, GWLP_WNDPROC)));
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fieldProcedure));
        refill(dialog);
        return TRUE; // the focus goes to the field
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == EditId && HIWORD(wParam) == EN_CHANGE) {
            refill(dialog);
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == ListId && HIWORD(wParam) == LBN_DBLCLK)) {
            takeChoice(dialog);
            return TRUE;
        }
        return endIfCancelled(dialog, wParam) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

std::optional<size_t> choose(HWND owner, const std::u16string& title,
                             const std::vector<ListItem>& items, const ListFilter& filter) {
    Choice choice{items, filter};
    runModal(owner, buildTemplate(title), procedure, reinterpret_cast<LPARAM>(&choice),
             "cannot open the list of commands");
    return choice.taken;
}

} // namespace paletteDialog
