#include "window/BlockClipboard.h"

#include <utility>

void BlockClipboard::keep(std::vector<BlockRow> rows, std::u16string text) {
    kept = Kept{std::move(rows), std::move(text)};
}

const std::vector<BlockRow>* BlockClipboard::rowsFor(std::u16string_view clipboardText) const {
    return kept && kept->text == clipboardText ? &kept->rows : nullptr;
}
