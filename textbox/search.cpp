#include "textbox/search.h"

#include "support/CaseFolding.h"
#include "support/EngineError.h"
#include "support/UnitBlocks.h"
#include "support/Utf16.h"
#include "textbox/position.h"
#include "textbox/selection.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What visiting a cell costs besides its text, so that a slice over many short cells
// stays as short as one over long ones.
constexpr int64_t cellCost = 16;

std::u16string folded(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t code) { appendUtf16(out, foldCase(code)); });
    return out;
}

// The first code point of text, or its last: a surrogate pair counts as one.
char32_t codePointAt(std::u16string_view text, bool last) {
    char32_t found = 0;
    bool seen = false;
    forEachCodePoint(last ? text.substr(text.size() - std::min<size_t>(text.size(), 2))
                          : text.substr(0, 2),
                     [&](char32_t code) {
                         if (last || !seen)
                             found = code;
                         seen = true;
                     });
    return found;
}

char16_t unitOf(char32_t code, bool last) {
    if (code < 0x10000)
        return static_cast<char16_t>(code);
    return last ? lowSurrogateOf(code) : highSurrogateOf(code);
}

using MaskedUnit = TextSearch::MaskedUnit;

// The units a match may have where the needle has the first (or the last) unit of one
// of its characters: that unit of each of the character's cases. Two merge where they
// differ in one bit only, as the cases of most alphabets do ('E' 0x45, 'e' 0x65), so that
// one test covers both.
std::vector<MaskedUnit> unitsOfCases(char32_t folded, bool last) {
    std::vector<char16_t> units;
    for (const char32_t variant : caseVariants(folded))
        units.push_back(unitOf(variant, last));
    if (units.empty()) // a lone surrogate, say, which folds to itself
        units.push_back(unitOf(folded, last));
    std::sort(units.begin(), units.end());
    units.erase(std::unique(units.begin(), units.end()), units.end());
    std::vector<MaskedUnit> masked;
    std::vector<bool> merged(units.size(), false);
    for (size_t a = 0; a < units.size(); ++a) {
        if (merged[a])
            continue;
        MaskedUnit unit{units[a], 0};
        for (size_t b = a + 1; b < units.size(); ++b) {
            const auto differing = static_cast<char16_t>(units[a] ^ units[b]);
            if (!merged[b] && std::has_single_bit(static_cast<unsigned>(differing))) {
                unit = {static_cast<char16_t>(units[a] | differing), differing};
                merged[b] = true;
                break;
            }
        }
        masked.push_back(unit);
    }
    return masked;
}

// The most units a finder tests on each side; no character has more cases than that.
constexpr size_t widestFinder = 4;

// Finds where a match may start: where the text has a unit that the needle's first
// unit allows, and needle length - 1 units on, one that its last allows. Both are tested
// for eight starts at once, so the rare place that passes is all that is compared whole.
// Width is the number of filters on each side, the sides padded to it.
template <size_t Width> class StartFinder {
public:
    StartFinder(const std::array<std::vector<MaskedUnit>, 2>& filters, size_t needleLength)
        : first(filters[0]), last(filters[1]), lastOffset(needleLength - 1) {
        for (size_t k = 0; k < Width; ++k) {
            const MaskedUnit& firstFilter = first[std::min(k, first.size() - 1)];
            const MaskedUnit& lastFilter = last[std::min(k, last.size() - 1)];
            firstIgnored[k] = unitInEveryLane(firstFilter.ignored);
            firstValue[k] = unitInEveryLane(firstFilter.value);
            lastIgnored[k] = unitInEveryLane(lastFilter.ignored);
            lastValue[k] = unitInEveryLane(lastFilter.value);
        }
    }

    // The first start in [from, to) that may begin a match, or to. The needle, put at any
    // start before to, ends inside the text.
    size_t next(const char16_t* text, size_t from, size_t to) const {
        size_t at = from;
        for (; at + blockUnits <= to; at += blockUnits)
            if (const uint64_t starts = startsAt(text + at))
                return at + firstLane(starts);
        if (at < to && to >= blockUnits) { // one block more, ending at to
            const size_t block = to - blockUnits;
            const uint64_t starts = startsAt(text + block) & lanesFrom(at - block);
            return starts != 0 ? block + firstLane(starts) : to;
        }
        for (; at < to; ++at)
            if (startsAtOne(text + at))
                return at;
        return to;
    }

    // The last start in [from, to) that may begin a match.
    std::optional<size_t> previous(const char16_t* text, size_t from, size_t to) const {
        size_t at = to;
        for (; at >= from + blockUnits; at -= blockUnits)
            if (const uint64_t starts = startsAt(text + at - blockUnits))
                return at - blockUnits + lastLane(starts);
        if (at > from && at >= blockUnits) { // one block more, ending at at
            const size_t block = at - blockUnits;
            const uint64_t starts = startsAt(text + block) & lanesFrom(from - block);
            return starts != 0 ? std::optional<size_t>(block + lastLane(starts)) : std::nullopt;
        }
        for (; at > from; --at)
            if (startsAtOne(text + at - 1))
                return at - 1;
        return std::nullopt;
    }

private:
    using Blocks = std::array<UnitBlock, Width>;
    static UnitBlock passing(UnitBlock block, const Blocks& ignored, const Blocks& value) {
        UnitBlock lanes{};
        for (size_t k = 0; k < Width; ++k)
            lanes |= std::bit_cast<UnitBlock>((block | ignored[k]) == value[k]);
        return lanes;
    }

    // A byte per start from units on, 0xFF where a match may begin, the first lowest.
    uint64_t startsAt(const char16_t* units) const {
        const UnitBlock both = passing(blockAt(units), firstIgnored, firstValue) &
                               passing(blockAt(units + lastOffset), lastIgnored, lastValue);
        return laneBytes(__builtin_convertvector(both, ByteBlock));
    }

    static bool passesOne(char16_t unit, const std::vector<MaskedUnit>& filters) {
        return std::any_of(filters.begin(), filters.end(), [&](const MaskedUnit& filter) {
            return (unit | filter.ignored) == filter.value;
        });
    }

    bool startsAtOne(const char16_t* units) const {
        return passesOne(units[0], first) && passesOne(units[lastOffset], last);
    }

    static size_t firstLane(uint64_t starts) {
        return static_cast<size_t>(std::countr_zero(starts)) / 8;
    }
    static size_t lastLane(uint64_t starts) {
        return 7 - static_cast<size_t>(std::countl_zero(starts)) / 8;
    }
    // The lanes from lane on.
    static uint64_t lanesFrom(size_t lane) { return ~uint64_t{0} << (8 * lane); }

    const std::vector<MaskedUnit>& first;
    const std::vector<MaskedUnit>& last;
    size_t lastOffset;
    Blocks firstIgnored, firstValue, lastIgnored, lastValue;
};

// Runs scan with the finder as wide as the filters.
template <class Scan>
auto withFinder(const std::array<std::vector<MaskedUnit>, 2>& filters, size_t needleLength,
                Scan&& scan) {
    switch (std::max(filters[0].size(), filters[1].size())) {
    case 1:
        return scan(StartFinder<1>(filters, needleLength));
    case 2:
        return scan(StartFinder<2>(filters, needleLength));
    default:
        return scan(StartFinder<widestFinder>(filters, needleLength));
    }
}

// No word character on one side or the other; a cell's ends are boundaries.
bool isWordBoundary(std::u16string_view text, size_t at) {
    return at == 0 || at == text.size() || !isWordCharacter(text[at - 1]) ||
           !isWordCharacter(text[at]);
}

// Read as the search reads, so that a loaded line not made yet stays so.
void requireStart(const CLBox& box, const CLPos& from) {
    if (from.yLine < 0 || from.yLine >= box.lines.size())
        raiseOutOfRange("line " + std::to_string(from.yLine) + " of " +
                        std::to_string(box.lines.size()));
    std::vector<std::u16string_view> cells;
    box.cellTexts(from.yLine, cells);
    if (from.xTab < 0 || static_cast<size_t>(from.xTab) >= cells.size())
        raiseOutOfRange("cell " + std::to_string(from.xTab) + " of " +
                        std::to_string(cells.size()));
    const size_t length = cells[static_cast<size_t>(from.xTab)].size();
    if (from.xChar < 0 || static_cast<size_t>(from.xChar) > length)
        raiseOutOfRange("character " + std::to_string(from.xChar) + " of a cell of " +
                        std::to_string(length));
}

bool matchesNothing(std::u16string_view needle) {
    return needle.empty() || needle.find_first_of(u"\t\r\n") != std::u16string_view::npos;
}

} // namespace

TextSearch::TextSearch(const CLBox& box, std::u16string_view needle, const CLPos& from,
                       SearchDirection searchDirection, SearchOptions searchOptions)
    : foldedNeedle(searchOptions.matchCase ? std::u16string(needle) : folded(needle)),
      options(searchOptions), direction(searchDirection), home(from), revision(box.revision),
      line(from.yLine), cell(from.xTab), lineCount(box.lines.size()) {
    requireStart(box, from);
    if (matchesNothing(needle)) {
        state = Outcome::NotFound;
        return;
    }
    for (const bool last : {false, true}) {
        if (options.matchCase) {
            filters[last] = {MaskedUnit{last ? foldedNeedle.back() : foldedNeedle.front(), 0}};
            continue;
        }
        filters[last] = unitsOfCases(codePointAt(foldedNeedle, last), last);
        if (filters[last].size() > widestFinder) // more cases than a finder tests: let all by
            filters[last] = {MaskedUnit{0xFFFF, 0xFFFF}};
    }
}

TextSearch::Outcome TextSearch::advanceWithin(const CLBox& box, int64_t& budget) {
    if (box.revision != revision)
        throw EngineError(ErrorNumber::BadArgument, "the text changed while it was searched");
    if (state != Outcome::Searching)
        return state; // an answer already, or a needle that matches nothing and has no filters
    // The finder is made once a slice: its filters are spread over vector lanes.
    withFinder(filters, foldedNeedle.size(), [&](const auto& finder) {
        while (state == Outcome::Searching && budget > 0) {
            readLine(box);
            if (searchLine(finder, budget))
                nextLine(box);
        }
    });
    return state;
}

void TextSearch::goOnAfterMatch() {
    if (state != Outcome::Found || direction != SearchDirection::Forward)
        throw EngineError(ErrorNumber::BadArgument,
                          "bad argument: a search goes on past a match it found, forward");
    state = Outcome::Searching;
    low = found.xChar + found.length;
}

std::optional<SearchMatch> TextSearch::matchStartingAt(const CLBox& box, const CLPos& at) const {
    const std::u16string_view text = cellHolding(box, at).text.view();
    const size_t length = foldedNeedle.size();
    const auto start = static_cast<size_t>(at.xChar);
    if (filters[0].empty() || start + length > text.size() || !matchesAt(text, start))
        return std::nullopt;
    return SearchMatch{at.yLine, at.xTab, at.xChar, static_cast<int32_t>(length)};
}

double TextSearch::progress() const {
    if (state != Outcome::Searching)
        return 1.0;
    return std::min(1.0, static_cast<double>(linesPassed) / static_cast<double>(lineCount));
}

// True when the line is done with and the search goes on in the next; the search may
// also end here, or the budget run out inside a cell.
template <class Finder> bool TextSearch::searchLine(const Finder& finder, int64_t& budget) {
    const bool forward = direction == SearchDirection::Forward;
    while (budget > 0) {
        const std::u16string_view text = cells[static_cast<size_t>(cell)];
        if (!inCell) {
            enterCell(text.size());
            budget -= cellCost;
        }
        if (searchCell(finder, text, budget)) {
            state = Outcome::Found;
            return false;
        }
        if (low < high)
            return false;
        inCell = false;
        if (visit == Visit::Again && line == home.yLine && cell == home.xTab) {
            state = Outcome::NotFound;
            return false;
        }
        cell += forward ? 1 : -1;
        if (cell < 0 || static_cast<size_t>(cell) == cells.size())
            return true;
    }
    return false;
}

// Past the last line the search wraps round to the first, and back.
void TextSearch::nextLine(const CLBox& box) {
    ++linesPassed;
    if (direction == SearchDirection::Forward) {
        line = line + 1 == box.lines.size() ? 0 : line + 1;
        visit = line == 0 ? Visit::Again : visit;
        cell = 0;
    } else {
        line = line == 0 ? box.lines.size() - 1 : line - 1;
        visit = line == box.lines.size() - 1 ? Visit::Again : visit;
        readLine(box);
        cell = static_cast<int32_t>(cells.size()) - 1;
    }
}

void TextSearch::readLine(const CLBox& box) {
    if (cellsOfLine == line)
        return;
    box.cellTexts(line, cells);
    cellsOfLine = line;
}

// The starts a match may have in a cell: anywhere it fits, except that the start cell is
// split at the position the search began from, one part on each visit.
void TextSearch::enterCell(size_t cellLength) {
    const auto needleLength = static_cast<int64_t>(foldedNeedle.size());
    low = 0;
    high = static_cast<int64_t>(cellLength) - needleLength + 1;
    if (line == home.yLine && cell == home.xTab) {
        const bool firstPart = (visit == Visit::First) == (direction == SearchDirection::Forward);
        // Forward the start is split at the position, backward the end of the match.
        const int64_t split =
            home.xChar - (direction == SearchDirection::Forward ? 0 : needleLength - 1);
        if (firstPart)
            low = std::max(low, split);
        else
            high = std::min(high, split);
    }
    inCell = true;
}

// True when a match was found; otherwise the starts tried are gone from [low, high).
template <class Finder>
bool TextSearch::searchCell(const Finder& finder, std::u16string_view text, int64_t& budget) {
    while (low < high && budget > 0) {
        const std::optional<size_t> at = direction == SearchDirection::Forward
                                             ? scanForward(finder, text, budget)
                                             : scanBackward(finder, text, budget);
        if (at && matchesAt(text, *at)) {
            found = {line, cell, static_cast<int32_t>(*at),
                     static_cast<int32_t>(foldedNeedle.size())};
            return true;
        }
    }
    return false;
}

// The lowest start left that may begin a match, taken out of [low, high); none when the
// budget runs out first.
template <class Finder>
std::optional<size_t> TextSearch::scanForward(const Finder& finder, std::u16string_view text,
                                              int64_t& budget) {
    const auto from = static_cast<size_t>(low);
    const auto to = static_cast<size_t>(std::min(high, low + budget));
    const size_t at = finder.next(text.data(), from, to);
    budget -= static_cast<int64_t>(at - from) + 1;
    low = static_cast<int64_t>(at == to ? to : at + 1);
    return at == to ? std::nullopt : std::optional<size_t>(at);
}

// The highest start left that may begin a match, taken out of [low, high).
template <class Finder>
std::optional<size_t> TextSearch::scanBackward(const Finder& finder, std::u16string_view text,
                                               int64_t& budget) {
    const auto to = static_cast<size_t>(high);
    const auto from = static_cast<size_t>(std::max(low, high - budget));
    const std::optional<size_t> at = finder.previous(text.data(), from, to);
    budget -= static_cast<int64_t>(to - at.value_or(from)) + 1;
    high = static_cast<int64_t>(at.value_or(from));
    return at;
}

// A match that would begin or end inside a surrogate pair is none.
bool TextSearch::matchesAt(std::u16string_view text, size_t at) const {
    const size_t length = foldedNeedle.size();
    if (insideSurrogatePair(text, static_cast<int32_t>(at)) ||
        insideSurrogatePair(text, static_cast<int32_t>(at + length)) || !unitsMatchAt(text, at))
        return false;
    return !options.wholeWord || (isWordBoundary(text, at) && isWordBoundary(text, at + length));
}

// Compares folded characters, so a surrogate pair folds whole; or, matching case, units.
bool TextSearch::unitsMatchAt(std::u16string_view text, size_t at) const {
    const size_t length = foldedNeedle.size();
    if (options.matchCase)
        return text.substr(at, length) == foldedNeedle;
    for (size_t k = 0; k < length;) {
        const char16_t unit = text[at + k];
        if (unit < 0x80) { // the common case, without the table
            if (foldCase(unit) != foldedNeedle[k])
                return false;
            ++k;
            continue;
        }
        const bool pair =
            k + 1 < length && isHighSurrogate(unit) && isLowSurrogate(text[at + k + 1]);
        const char32_t code = pair ? combineSurrogates(unit, text[at + k + 1]) : unit;
        const char32_t folding = foldCase(code);
        if (pair ? highSurrogateOf(folding) != foldedNeedle[k] ||
                       lowSurrogateOf(folding) != foldedNeedle[k + 1]
                 : folding != foldedNeedle[k])
            return false;
        k += pair ? 2 : 1;
    }
    return true;
}

std::optional<SearchMatch> findText(const CLBox& box, std::u16string_view needle, const CLPos& from,
                                    SearchDirection direction, SearchOptions options) {
    TextSearch search(box, needle, from, direction, options);
    while (search.advance(box, std::numeric_limits<int64_t>::max() / 4) ==
           TextSearch::Outcome::Searching) {
    }
    if (search.outcome() == TextSearch::Outcome::Found)
        return search.match();
    return std::nullopt;
}
