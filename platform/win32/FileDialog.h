#pragma once

#include <windows.h>

#include <string>

// The system's Save and Open dialogs, modal over the window.
namespace fileDialog {
enum class Kind { Save, Open };

// The longest path Windows accepts, in UTF-16 units: the first size of the name buffer.
constexpr DWORD longestPath = 32768;

// Runs the dialog over owner and gives the path chosen, or "" on Cancel. The Save dialog
// opens at startPath (its folder and name) and asks before naming a file that exists;
// the Open dialog opens in startPath's folder and takes only a file that exists. A name
// longer than the buffer makes it grow, and the dialog is shown again. A dialog that
// cannot be shown throws std::runtime_error.
std::u16string ask(HWND owner, Kind kind, const std::u16string& startPath,
                   DWORD capacity = longestPath);
} // namespace fileDialog
