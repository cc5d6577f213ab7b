#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <memory>
#include <string>

// A text with its tabs turned into runs of spaces that line its columns up in a
// fixed-width font, for pasting where there are no elastic tab stops: the layout's column
// rule counted in characters, over the text's own lines. A cell followed by a tab is
// padded to its column's width, which is its block's widest cell plus tabMargin, and at
// least tabMin; a line's last cell is not padded, and line ends stay as they are. A
// surrogate pair counts as one character.
std::u16string alignedWithSpaces(std::shared_ptr<const TextFragment> fragment,
                                 const CLOptions& options);
