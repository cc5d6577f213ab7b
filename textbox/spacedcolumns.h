#pragma once

#include "textbox/CLBox.h"
#include "textbox/selection.h"
#include "textbox/textrange.h"

#include <optional>

// Space-aligned text made cells again, line by line. The empty cells that open a line stay
// as they are, and so does a line whose first text a tab follows: it has cells already. In
// any other line, the spaces the line's text starts with become indentation cells as loading
// makes them, tabMin spaces to a cell of the form Spaces, where the line stands in
// indentation (every line but the first, and the first where place says so); every run of
// two spaces or more between two other characters becomes a tab; the spaces the line ends
// with are dropped; single spaces stay. Line ends stay as they are.
TextFragment spacesToColumns(const TextFragment& fragment, const CLOptions& options,
                             TextPlace place);

// The two conversions between cells and space-aligned text.
enum class Conversion { ColumnsToSpaces, SpacesToColumns };

// The whole lines that selected touches, or the whole text without a selection. A
// selection that ends at the very start of a line, after a line above, leaves that line out.
TextRange linesTouched(const CLBox& box, const std::optional<TextRange>& selected);

// Converts the whole lines that lines spans, telling each change to told: columns to spaces
// as one change, spaces to columns as one for each run of lines it changes; lines keep their
// count. The range the converted lines now span, or none when the conversion changed
// nothing, and then nothing is told.
std::optional<TextRange> convertLines(CLBox& box, const TextRange& lines, Conversion conversion,
                                      const TextChangeSink& told);
