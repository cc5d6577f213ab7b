#pragma once

#include "window/KeyTable.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The command palette's list: the commands of the command table that have a name, and which
// of them stay for what the user has typed.

// One command: its name, its keys as the user reads them ("" for none), and what it does.
struct PaletteEntry {
    std::u16string name;
    std::u16string keys;
    KeyAction action;
};

// One entry for each name of the table, in the order the names first appear, with every key
// of its rows in their order, joined by ", ".
std::vector<PaletteEntry> paletteEntries(std::span<const CommandRow> table);

// The entries that stay for typed, as indices into entries: those whose name holds every word
// of typed (split at blanks), case ignored. Those whose name holds typed in one piece, blanks
// around it left out, come first, then the others, each group in the entries' order.
std::vector<size_t> paletteMatches(const std::vector<PaletteEntry>& entries,
                                   std::u16string_view typed);
