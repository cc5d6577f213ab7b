#pragma once

#include "platform/win32/GdiSurface.h"
#include "platform/win32/TextAutomation.h"
#include "platform/win32/translate.h"
#include "window/frmEditor.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>

// The program's top-level window: translates native messages into the window logic's
// handlers and paints the picture. It holds no editing logic of its own.
class EditorWindow {
public:
    // The window, not shown yet, with the designed client size.
    EditorWindow();
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    HWND handle() const { return window; }
    SIZE clientSize() const;
    // From now on messages reach form, and WM_PAINT shows picture.
    void attach(frmEditor& form, GdiSurface& picture);
    // Starts the scroll timer and file dropping, shows the window and runs the message
    // loop until the window is closed; returns the exit code.
    int run(int showCommand);

    // Offered each message of the loop first: true when a modeless dialog took it.
    std::function<bool(MSG&)> dialogMessages;
    // The window's element for UI Automation, made at the first question; null before
    // attach.
    TextElement* automation();
    // What the logic tells a screen reader, raised on the element where there is one.
    void tellAutomation(const AccessibleEvent& event);

    // The id of the scroll timer's WM_TIMER messages.
    static constexpr UINT_PTR scrollTimerId = 1;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void dropFiles(HDROP drop);
    void pressMouse(UINT message, LPARAM lParam);
    void typeUnit(char16_t unit);
    void followDpi(UINT dpi, const RECT& suggested);
    // The keys as of the message being handled.
    ShiftMask currentShiftMask() const;
    void paint();
    LRESULT answerObject(WPARAM wParam, LPARAM lParam);
    void createCaret();
    void placeCaret();
    void followSystemColours();
    void endAutomation();

    HWND window = nullptr;
    frmEditor* form = nullptr;
    GdiSurface* surface = nullptr;
    SurrogateJoiner typedUnits;
    HeldModifiers modifiers;
    bool dropNextCharacter = false; // the key down before it was a command's
    TextElement* element = nullptr; // one reference ours while the window lives
    HBITMAP caretBitmap = nullptr;
    int32_t caretHeight = 0; // of the caret made, 0 while there is none
    POINT caretAt{-1, -1};   // where it was placed last
};
