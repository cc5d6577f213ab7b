#pragma once

#include "textbox/CLBox.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// The text-range layer: the text between two positions, and its replacement by another.
// Every change of the text that a feature makes passes through it, the keys' insertChar
// edits included (insertChar tells its own), and each is told in one form, a TextChange, so that
// the history, the modified state and recovery see all of them alike.
//
// Positions here are code units of a cell: one may fall between the halves of a
// surrogate pair, as a change taken back may need. A position outside the document, or a
// range that ends before it begins, raises OutOfRange before anything changes.

// A stretch of the document's text as the document holds it: '\t' ends a cell and '\n' a
// line, and the line end that each '\n' stands for is kept beside the text, since a cell
// may end in a lone "\r" that a saved "\r\n" could not be told from; so is the form of
// each tab that ends a cell of the form Spaces.
struct TextFragment {
    std::u16string text;
    std::vector<LineEnd> lineEnds;       // one for each '\n' of text, in order; none is empty
    std::vector<size_t> spacedTabs = {}; // where the tabs of the form Spaces stand, in order
    bool operator==(const TextFragment&) const = default;
};

// Where a text stands in its line: inside it, or where the line's indentation may go on (at
// its start, or after nothing but cells written as spaces), so that loading would read the
// spaces opening the text as indentation.
enum class TextPlace { InLine, InIndentation };
TextPlace placeOf(const CLBox& box, const CLPos& pos);

// Positions in the order of the text; the remembered x plays no part.
inline bool isBefore(const CLPos& a, const CLPos& b) {
    return std::tie(a.yLine, a.xTab, a.xChar) < std::tie(b.yLine, b.xTab, b.xChar);
}
inline bool samePlace(const CLPos& a, const CLPos& b) {
    return !isBefore(a, b) && !isBefore(b, a);
}

// Whether each '\n' of fragment's text has a line end of its own, none is empty, and the
// tabs it says are of the form Spaces are tabs of it, in order.
bool isWellFormed(const TextFragment& fragment);
// The text as saving writes it, standing at place: each '\n' becomes its own line end, and
// the tabs of the form Spaces that open a line, in a row, become tabMin spaces each (on the
// first line only when it stands in indentation).
std::u16string savedText(const TextFragment& fragment, const CLOptions& options, TextPlace place);
// A text from outside the document (the clipboard's), to stand at place, split as loading
// splits a file: "\r\n" and "\n" end lines and are kept as their ends, a lone "\r" is text,
// and every line after the first, and the first where it stands in indentation, has its
// leading runs of tabMin spaces made indentation cells of the form Spaces.
TextFragment pastedText(std::u16string_view text, const CLOptions& options, TextPlace place);
// Where fragment ends when it stands at `at`.
CLPos endOf(const CLPos& at, const TextFragment& fragment);

// Raises OutOfRange unless pos stands in the document.
void requirePosition(const CLBox& box, const CLPos& pos);
// pos moved back to the start of a surrogate pair it falls inside: where a cursor may stand
// after a change joined two lone halves.
CLPos characterBoundary(const CLBox& box, CLPos pos);
TextFragment textBetween(const CLBox& box, const CLPos& from, const CLPos& to);

class BulkChange; // textbox/replaceall.h

// One change of the text: at `at`, which is the same before and after it, the text
// removed gave way to the text inserted. replaceRange(at, endOf(at, inserted), removed)
// takes it back exactly.
//
// A change of many places at once, a Replace all's, is told whole, as bulk: its lines are
// exchanged for others, first when it is made, then each time it is taken back or made
// again (exchangedAgain). Then at is where the lines it changed begin, and removed and
// inserted are empty: the bulk change tells where the text changed.
struct TextChange {
    CLPos at;
    std::shared_ptr<const TextFragment> removed;
    std::shared_ptr<const TextFragment> inserted;
    std::shared_ptr<BulkChange> bulk = {};
    bool exchangedAgain = false;
};

// Replaces the text from `from` to `to` by fragment: the cells before `from` and after
// `to` stay on the lines the fragment's first and last lines make, and the last of them
// ends with the line end that stood after `to`. Gives the text a new revision, refreshes
// the heights and inner widths of the lines it made, clears the selection (of text or of a
// block) and tells the
// change; the cursor and the view are the caller's. Refuses before anything changes what
// would not fit: OutOfRange, Overflow for a text too tall to show, BadArgument for a
// fragment whose line ends do not match its text.
void replaceRange(CLBox& box, const CLPos& from, const CLPos& to,
                  std::shared_ptr<const TextFragment> fragment, const TextChangeSink& told);
// The same, for a caller that has read the text from `from` to `to` already: removed, which
// is textBetween(box, from, to) or null, is told as the text removed instead of being read
// again, which over a whole document is worth sparing.
void replaceRange(CLBox& box, const CLPos& from, const CLPos& to,
                  std::shared_ptr<const TextFragment> removed,
                  std::shared_ptr<const TextFragment> fragment, const TextChangeSink& told);

// Delete: removes what Backspace would remove from one character right of pos (the next
// character, the tab after the cell, or the line end, which joins the next line as
// Backspace joins it); pos stays where it was, or at the start of a pair the removal
// joined. At the end of the text it beeps and changes nothing. pos's remembered x is
// cleared and the view follows it, as after any edit.
void deleteForward(CLBox& box, CLPos& pos, const TextChangeSink& told);
