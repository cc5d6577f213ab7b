#pragma once

#include "platform/win32/DialogTemplate.h"

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Answers the dialogs this thread opens, one step at a time, from a thread timer that the
// dialogs' own message loop runs. A step goes to the dialog that waits for the user: one
// shown and enabled, and not answered since it was last disabled by a question over it.
// Past the last step, or after 20 s, every dialog is cancelled, so a test cannot hang.
class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;

    // What a dialog showed when a step found it: a file dialog its folder and name, a
    // message box its message.
    struct Shown {
        bool fileDialog = false;
        std::u16string folder;
        std::u16string name;
        std::u16string message;
    };

    explicit DialogScript(std::vector<Step> script) : steps(script.begin(), script.end()) {
        running = this;
        timer = SetTimer(nullptr, 0, tickMilliseconds, poll);
    }
    ~DialogScript() {
        KillTimer(nullptr, timer);
        running = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Posted, so that the dialog acts once the timer has returned.
    static Step press(int button) {
        return [button](HWND dialog) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        };
    }
    static Step name(const std::u16string& typed) {
        return [typed](HWND dialog) {
            SetWindowTextW(nameField(dialog), reinterpret_cast<const wchar_t*>(typed.c_str()));
            press(IDOK)(dialog);
        };
    }

    std::vector<Shown> shown; // each dialog as a step found it

    // The name field: a combo box on newer systems, an edit field on older ones and wine.
    static HWND nameField(HWND dialog) {
        const HWND combo = GetDlgItem(dialog, cmb13);
        return combo ? combo : GetDlgItem(dialog, edt1);
    }
    static std::u16string textOf(HWND window) { return dialogTemplate::windowText(window); }

private:
    static constexpr UINT tickMilliseconds = 50;

    static Shown shownBy(HWND dialog) {
        const HWND field = nameField(dialog);
        if (!field) // a message box; its message has this id
            return {false, u"", u"", textOf(GetDlgItem(dialog, 0xFFFF))};
        wchar_t folder[1024] = {};
        SendMessageW(dialog, CDM_GETFOLDERPATH, 1024, reinterpret_cast<LPARAM>(folder));
        return {true, reinterpret_cast<const char16_t*>(folder), textOf(field), u""};
    }
    static constexpr int patienceTicks = 20000 / tickMilliseconds;

    static void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
        ++running->ticks;
        running->stepTaken = false;
        EnumThreadWindows(GetCurrentThreadId(), visit, 0);
    }
    static BOOL CALLBACK visit(HWND window, LPARAM) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) != L"#32770" || !IsWindowVisible(window))
            return TRUE;
        DialogScript& self = *running;
        if (!IsWindowEnabled(window)) {
            self.answered.erase(window);
            return TRUE;
        }
        if (self.ticks > patienceTicks || self.steps.empty()) {
            press(IDCANCEL)(window);
            return TRUE;
        }
        if (self.stepTaken || !self.answered.insert(window).second)
            return TRUE; // one step a tick: what it opens may not be shown yet
        self.shown.push_back(shownBy(window));
        const Step step = std::move(self.steps.front());
        self.steps.pop_front();
        step(window);
        self.stepTaken = true;
        return TRUE; // the rest may be disabled by a question over them
    }

    static inline DialogScript* running = nullptr; // a timer procedure has no context
    std::deque<Step> steps;
    std::set<HWND> answered;
    UINT_PTR timer = 0;
    int ticks = 0;
    bool stepTaken = false;
};
