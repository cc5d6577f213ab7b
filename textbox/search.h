#pragma once

#include "textbox/CLBox.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a search found its text: the characters [xChar, xChar + length) of one cell.
struct SearchMatch {
    int32_t yLine = 0;
    int32_t xTab = 0;
    int32_t xChar = 0;
    int32_t length = 0;

    CLPos start() const { return {yLine, xTab, xChar}; }
    CLPos end() const { return {yLine, xTab, xChar + length}; }
    bool operator==(const SearchMatch&) const = default;
};

enum class SearchDirection { Forward, Backward };

// How a search compares: ignoring case (Unicode simple case folding) or code unit by code
// unit, and anywhere or only where the match starts and ends at a word boundary, a place
// that has no word character (as a double click takes them) on one side or the other.
struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool operator==(const SearchOptions&) const = default;
};

// A search through the document for a text, with the options given. Forward
// it finds the first match that starts at or after a position, wrapping round to the
// start of the text; backward the last match that ends at or before it, wrapping round to
// the end. A match lies inside one cell, so it never spans a tab or a line break, and it
// begins and ends between characters.
//
// The search runs in slices of bounded work, so that a long one need not hold up the
// window; the text must not change between them.
class TextSearch {
public:
    enum class Outcome { Searching, Found, NotFound };

    // from must stand in the document (OutOfRange otherwise, before anything is kept).
    // A needle that is empty or holds a tab or a line break can match nothing.
    TextSearch(const CLBox& box, std::u16string_view needle, const CLPos& from,
               SearchDirection direction, SearchOptions options = {});

    // Searches on for about budget code units of work (each cell visited counts a few);
    // a text changed since the search began raises BadArgument.
    Outcome advance(const CLBox& box, int64_t budget) { return advanceWithin(box, budget); }
    // The same, leaving in budget what is left of it.
    Outcome advanceWithin(const CLBox& box, int64_t& budget);
    Outcome outcome() const { return state; }
    // The match, once the outcome is Found.
    const SearchMatch& match() const { return found; }
    // The share of the text searched so far, from 0 to 1, by lines.
    double progress() const;
    // Once Found, forward: searches on from the end of the match, so that the matches
    // found one after another never overlap. A search from the start of the text then
    // ends at its end, never wrapping round to a match found before.
    void goOnAfterMatch();
    // The match that starts exactly at `at`, if there is one: whether a selection is one.
    std::optional<SearchMatch> matchStartingAt(const CLBox& box, const CLPos& at) const;

    // Units u with (u | ignored) == value: a character's cases often differ in one bit.
    struct MaskedUnit {
        char16_t value;
        char16_t ignored;
    };

private:
    enum class Visit { First, Again }; // the start cell is visited once more, after wrapping

    // Finder: the scan for the starts that may begin a match, made in search.cpp.
    template <class Finder> bool searchLine(const Finder& finder, int64_t& budget);
    // Reads the cells of the line searched now, not making it where it is not made yet.
    void readLine(const CLBox& box);
    void nextLine(const CLBox& box);
    void enterCell(size_t cellLength);
    template <class Finder>
    bool searchCell(const Finder& finder, std::u16string_view text, int64_t& budget);
    template <class Finder>
    std::optional<size_t> scanForward(const Finder& finder, std::u16string_view text,
                                      int64_t& budget);
    template <class Finder>
    std::optional<size_t> scanBackward(const Finder& finder, std::u16string_view text,
                                       int64_t& budget);
    bool matchesAt(std::u16string_view text, size_t at) const;
    bool unitsMatchAt(std::u16string_view text, size_t at) const;

    // The needle as matches are compared with it: folded unless the case must match.
    std::u16string foldedNeedle;
    SearchOptions options;
    // The units a match may have where the needle has its first and its last.
    std::array<std::vector<MaskedUnit>, 2> filters;
    SearchDirection direction;
    CLPos home;
    uint64_t revision;
    Outcome state = Outcome::Searching;
    SearchMatch found;
    int32_t line = 0, cell = 0;
    Visit visit = Visit::First;
    bool inCell = false;
    // The starts still to try in the cell: [low, high); forward takes low first.
    int64_t low = 0, high = 0;
    int64_t linesPassed = 0, lineCount = 0;
    std::vector<std::u16string_view> cells; // of line
    int32_t cellsOfLine = -1;
};

// The whole search at once.
std::optional<SearchMatch> findText(const CLBox& box, std::u16string_view needle, const CLPos& from,
                                    SearchDirection direction, SearchOptions options = {});
