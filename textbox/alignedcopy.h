#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <cstdint>
#include <memory>
#include <string>

// A text's columns made of spaces, for a fixed-width font and for places without elastic
// tab stops, counted in characters (a surrogate pair is one): every cell a tab ends is
// padded with spaces to its column's width, the widest cell of its block plus
// alignedPadding and at least alignedMinimumWidth, a block being what the layout makes of
// the text's own lines. A line's last cell is not padded, and line ends stay as they are.
// The padding is two, so that every padded cell is followed by two spaces or more, which
// the conversion back to cells (textbox/spacedcolumns.h) reads as the tab they were.
constexpr int32_t alignedMinimumWidth = 4;
constexpr int32_t alignedPadding = 2;

// The text so aligned, as a fragment without tabs.
TextFragment alignedFragment(std::shared_ptr<const TextFragment> fragment);
// The same text as saving writes it, for the clipboard.
std::u16string alignedWithSpaces(std::shared_ptr<const TextFragment> fragment);
