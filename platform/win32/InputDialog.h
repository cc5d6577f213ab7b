#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The modal input box: prompt, title, an edit field holding the default answer, OK
// and Cancel. Built from an in-memory dialog template, so it needs no resource file.
namespace inputDialog {
constexpr int EditId = 100;

// The template's words; the buffer starts DWORD-aligned, as the dialog manager needs.
std::vector<WORD> buildTemplate(const std::u16string& prompt, const std::u16string& title,
                                const std::u16string& defaultAnswer);
// The dialog procedure; its creation parameter points to the std::u16string that
// receives the answer on OK (on Cancel it is left empty).
INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the box modally over owner; Cancel, Escape or closing it gives "".
std::u16string ask(HWND owner, const std::u16string& prompt, const std::u16string& title,
                   const std::u16string& defaultAnswer);
} // namespace inputDialog
