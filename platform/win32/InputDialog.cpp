#include "platform/win32/InputDialog.h"

#include <stdexcept>

namespace {

// Predefined window classes, as template atoms.
constexpr WORD ButtonClass = 0x0080, EditClass = 0x0081, StaticClass = 0x0082;

struct Placement {
    short x, y, width, height; // dialog units
};

class TemplateWriter {
public:
    std::vector<WORD> words;

    void dword(DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    }
    void word(WORD value) { words.push_back(value); }
    void text(const std::u16string& value) {
        for (const char16_t unit : value)
            words.push_back(unit == 0 ? u' ' : unit); // a NUL would end the string early
        words.push_back(0);
    }
    void placement(Placement at) {
        for (const short value : {at.x, at.y, at.width, at.height})
            words.push_back(static_cast<WORD>(value));
    }
    void alignToDword() {
        if (words.size() % 2 != 0)
            words.push_back(0);
    }
    void item(DWORD style, Placement at, WORD id, WORD classAtom, const std::u16string& caption) {
        alignToDword();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0); // extended style
        placement(at);
        word(id);
        word(0xFFFF);
        word(classAtom);
        text(caption);
        word(0); // no creation data
    }
};

std::u16string windowText(HWND window) {
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()),
                                      static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

namespace inputDialog {

std::vector<WORD> buildTemplate(const std::u16string& prompt, const std::u16string& title,
                                const std::u16string& defaultAnswer) {
    TemplateWriter out;
    out.dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    out.dword(0); // extended style
    out.word(4);  // controls
    out.placement({0, 0, 240, 76});
    out.word(0); // no menu
    out.word(0); // the standard dialog class
    out.text(title);
    out.word(8);
    out.text(u"MS Shell Dlg");
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
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

std::u16string ask(HWND owner, const std::u16string& prompt, const std::u16string& title,
                   const std::u16string& defaultAnswer) {
    const std::vector<WORD> words = buildTemplate(prompt, title, defaultAnswer);
    std::u16string answer;
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner,
        procedure, reinterpret_cast<LPARAM>(&answer));
    if (result == -1)
        throw std::runtime_error("cannot open the input box");
    return answer;
}

} // namespace inputDialog
