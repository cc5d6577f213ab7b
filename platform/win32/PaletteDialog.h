#pragma once

#include "window/Host.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The list a user chooses from, made of the system's own controls, which accessibility tools
// read: an edit field over a list box that shows what the filter gives for the field's
// text, the first item chosen. Up, Down and the page keys in the field move the choice;
// Enter, or a double click, takes it; Escape closes the window.
namespace paletteDialog {
constexpr int EditId = 100;
constexpr int ListId = 101;

// What the dialog shows and gives back; its procedure's creation parameter points to one.
struct Choice {
    const std::vector<ListItem>& items;
    const ListFilter& filter;
    std::vector<size_t> listed = {}; // the item each row of the list shows
    std::optional<size_t> taken = {};
};

std::vector<WORD> buildTemplate(const std::u16string& title);
INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over owner: the item taken, or none.
std::optional<size_t> choose(HWND owner, const std::u16string& title,
                             const std::vector<ListItem>& items, const ListFilter& filter);
} // namespace paletteDialog
