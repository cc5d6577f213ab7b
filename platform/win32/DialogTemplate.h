#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

// In-memory dialog templates, so that the dialogs need no resource file and a test can open
// them from the same words the program does.
namespace dialogTemplate {

// Predefined window classes, as template atoms.
constexpr WORD ButtonClass = 0x0080, EditClass = 0x0081, StaticClass = 0x0082,
               ListBoxClass = 0x0083;

struct Placement {
    short x, y, width, height; // dialog units
};

// Writes a template's words; the buffer starts DWORD-aligned, as the dialog manager needs.
class Writer {
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
    // The dialog itself, in the system's dialog font, centred on its owner's screen.
    void dialog(const std::u16string& title, WORD controls, Placement at) {
        dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        dword(0); // extended style
        word(controls);
        placement(at);
        word(0); // no menu
        word(0); // the standard dialog class
        text(title);
        word(8);
        text(u"MS Shell Dlg");
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

inline std::u16string windowText(HWND window) {
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()),
                                      static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// Ends the dialog when command is Cancel (Escape, or the close box); whether it was.
inline bool endIfCancelled(HWND dialog, WPARAM command) {
    if (LOWORD(command) != IDCANCEL)
        return false;
    EndDialog(dialog, IDCANCEL);
    return true;
}

// Runs the dialog of words modally over owner, its procedure given parameter at its start;
// a dialog the system cannot open raises std::runtime_error with failure.
inline INT_PTR runModal(HWND owner, const std::vector<WORD>& words, DLGPROC procedure,
                        LPARAM parameter, const char* failure) {
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner,
        procedure, parameter);
    if (result == -1)
        throw std::runtime_error(failure);
    return result;
}

} // namespace dialogTemplate
