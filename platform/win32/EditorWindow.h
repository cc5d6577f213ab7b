#pragma once

#include "platform/win32/GdiSurface.h"
#include "platform/win32/translate.h"
#include "window/Host.h"
#include "window/frmEditor.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>

// The program's top-level window: hosts the window logic and translates native
// messages into its handlers. Handlers never nest: a modal box opened by one pumps
// messages, and what arrives meanwhile is dropped (timer ticks) or kept for later
// (a resize) instead of running inside it.
class EditorWindow : public Host {
public:
    EditorWindow();
    ~EditorWindow() override;
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Loads, shows the window and runs the message loop; returns the exit code.
    int run(int showCommand);
    // Loads the file of the command line and draws the first frame at the window's size.
    void open();

    Surface& picture() override { return *surface; }
    void setPictureSize(int32_t width, int32_t height) override;
    void setCaption(const std::u16string& caption) override;
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultAnswer) override;
    bool askYesNo(const std::u16string& question, const std::u16string& title) override;
    void reportError(const std::u16string& message, const std::u16string& title) override;
    std::u16string commandLine() override;

protected:
    static constexpr UINT_PTR scrollTimerId = 1;
    // For a benchmark: the window logic that its messages reach, and the native window.
    frmEditor& logic() { return form; }
    HWND nativeWindow() const { return window; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    template <class Handler> void deliver(Handler&& handler);
    void deliverResize(int32_t width, int32_t height);
    void dropFiles(HDROP drop);
    void pressMouse(UINT message, LPARAM lParam);
    void typeUnit(char16_t unit);
    void paint();

    HWND window = nullptr;
    std::unique_ptr<GdiSurface> surface;
    frmEditor form;
    SurrogateJoiner typedUnits;
    bool loaded = false;
    bool handlerRunning = false;
    bool resizePending = false;
};
