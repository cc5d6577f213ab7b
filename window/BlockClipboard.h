#pragma once

#include "textbox/blockselection.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The block of cells the window copied or cut last, so that pasting its text, and no other,
// pastes it as a block again, its cells' forms kept: the text alone cannot tell a row of one
// empty cell from a row of none, nor a tab written as spaces from one written as a tab.
class BlockClipboard {
public:
    // The block whose text the clipboard was given.
    void keep(std::vector<BlockRow> rows, std::u16string text);
    // The rows of the block kept when the clipboard's text is its text; none otherwise.
    const std::vector<BlockRow>* rowsFor(std::u16string_view clipboardText) const;

private:
    struct Kept {
        std::vector<BlockRow> rows;
        std::u16string text;
    };
    std::optional<Kept> kept;
};
