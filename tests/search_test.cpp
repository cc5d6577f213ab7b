#include "textbox/search.h"

#include "loadedbox.h"
#include "randomtext.h"
#include "support/CaseFolding.h"
#include "support/EngineError.h"
#include "support/Utf16.h"
#include "textbox/selection.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using Direction = SearchDirection;

// The document as the plain string it saves to, searched the slow way (textmodel.h).
class PlainModel {
public:
    explicit PlainModel(const CLBox& box) : flat(tabbedTextOf(box)) {
        size_t offset = 0;
        for (int32_t l = 0; l < box.lines.size(); ++l) {
            const CLLine& line = *box.lines.at(l);
            for (int32_t t = 0; t < line.tabs.size(); ++t) {
                const size_t length = line.tabs.at(t)->text.size();
                cells.push_back({l, t, offset});
                offset += length + (t + 1 < line.tabs.size() ? 1 : line.lineEnd.size());
            }
        }
    }

    size_t offsetOf(const CLPos& pos) const {
        for (const Cell& cell : cells)
            if (cell.line == pos.yLine && cell.cell == pos.xTab)
                return cell.offset + static_cast<size_t>(pos.xChar);
        ADD_FAILURE() << "no cell " << pos.yLine << ", " << pos.xTab;
        return 0;
    }

    // Every start of a match, overlapping ones included.
    std::vector<size_t> starts(std::u16string_view needle, SearchOptions options) const {
        return modelMatchStarts(flat, needle, options);
    }

    std::optional<size_t> find(std::u16string_view needle, size_t from, Direction direction,
                               SearchOptions options) const {
        const std::vector<size_t> starts = this->starts(needle, options);
        if (starts.empty())
            return std::nullopt;
        if (direction == Direction::Forward) {
            for (const size_t s : starts)
                if (s >= from)
                    return s;
            return starts.front();
        }
        for (auto s = starts.rbegin(); s != starts.rend(); ++s)
            if (*s + needle.size() <= from)
                return *s;
        return starts.back();
    }

    std::u16string flat;

private:
    struct Cell {
        int32_t line, cell;
        size_t offset;
    };

    std::vector<Cell> cells;
};

// Letters in several cases and foldings (the Kelvin sign, the capital sharp s, a Deseret
// pair past the BMP), signs that end words, and what splits a text into cells and lines.
const std::vector<std::u16string> letters = {
    u"a",      u"A",      u"ab",     u"AB",         u"\u00e9",     u"\u00c9", u"k", u"K",
    u"\u212A", u"\u00df", u"\u1e9e", u"\U00010400", u"\U00010428", u" ",      u"_", u"+",
};
const std::vector<std::u16string> breaks = {u"\t", u"\n", u"\r\n", u"    ", u"\r"};

std::u16string randomPieces(Picker& picker, int32_t count, bool withBreaks) {
    std::u16string text;
    for (int32_t k = 0; k < count; ++k)
        text += withBreaks && picker.pick(0, 3) == 0 ? picker.oneOf(breaks) : picker.oneOf(letters);
    return text;
}

SearchOptions randomOptions(Picker& picker) {
    return {picker.pick(0, 1) == 0, picker.pick(0, 2) == 0};
}

// Searches in slices of a few units each, as the window does over its ticks.
std::optional<SearchMatch> findInSlices(const CLBox& box, std::u16string_view needle,
                                        const CLPos& from, Direction direction, Picker& picker,
                                        SearchOptions options = {}) {
    TextSearch search(box, needle, from, direction, options);
    double progress = 0;
    while (search.advance(box, picker.pick(1, 12)) == TextSearch::Outcome::Searching) {
        EXPECT_GE(search.progress(), progress);
        progress = search.progress();
    }
    if (search.outcome() == TextSearch::Outcome::NotFound)
        return std::nullopt;
    return search.match();
}

TEST(SearchModel, RandomSearchesFindWhatThePlainStringSearchFinds) {
    Picker picker(20240618);
    for (int round = 0; round < 400; ++round) {
        LoadedBox loaded(randomPieces(picker, picker.pick(0, 40), true));
        const CLBox& box = loaded.box;
        const PlainModel model(box);
        for (int probe = 0; probe < 12; ++probe) {
            const std::u16string needle = randomPieces(picker, picker.pick(1, 3), probe % 4 == 0);
            const CLPos from = randomPosition(picker, box);
            const Direction direction = probe % 2 == 0 ? Direction::Forward : Direction::Backward;
            const SearchOptions options = randomOptions(picker);
            const std::optional<size_t> expected =
                model.find(needle, model.offsetOf(from), direction, options);
            const std::optional<SearchMatch> found =
                findText(box, needle, from, direction, options);
            const auto where = [&] {
                return "round " + std::to_string(round) + " probe " + std::to_string(probe);
            };
            ASSERT_EQ(found.has_value(), expected.has_value()) << where();
            if (found) {
                EXPECT_EQ(model.offsetOf(found->start()), *expected) << where();
                EXPECT_EQ(found->length, static_cast<int32_t>(needle.size())) << where();
            }
            EXPECT_EQ(findInSlices(box, needle, from, direction, picker, options), found)
                << where();
            const std::vector<size_t> starts = model.starts(needle, options);
            const bool startsThere =
                std::find(starts.begin(), starts.end(), model.offsetOf(from)) != starts.end();
            EXPECT_EQ(TextSearch(box, needle, {}, direction, options)
                          .matchStartingAt(box, from)
                          .has_value(),
                      startsThere)
                << where();
        }
    }
}

// From the start of the text, going on after each match finds them all, left to right and
// without overlaps, and ends at the end of the text.
TEST(SearchModel, GoingOnAfterEachMatchFindsThemAllWithoutOverlaps) {
    Picker picker(20261210);
    for (int round = 0; round < 400; ++round) {
        LoadedBox loaded(randomPieces(picker, picker.pick(0, 40), true));
        const PlainModel model(loaded.box);
        const std::u16string needle = randomPieces(picker, picker.pick(1, 2), false);
        const SearchOptions options = randomOptions(picker);
        std::vector<size_t> expected;
        for (const size_t start : model.starts(needle, options))
            if (expected.empty() || start >= expected.back() + needle.size())
                expected.push_back(start);
        TextSearch search(loaded.box, needle, CLPos{}, Direction::Forward, options);
        std::vector<size_t> found;
        while (search.advance(loaded.box, picker.pick(1, 12)) != TextSearch::Outcome::NotFound)
            if (search.outcome() == TextSearch::Outcome::Found) {
                found.push_back(model.offsetOf(search.match().start()));
                search.goOnAfterMatch();
            }
        EXPECT_EQ(found, expected) << "round " << round;
    }
}

// A search reads the cells of loaded lines from the loaded text, without making them: it
// must find what it finds in the made lines, and leave the lines as it found them.
TEST(SearchModel, LinesNotMadeYetAreSearchedAsMadeOnesAndStayUnmade) {
    Picker picker(20261219);
    for (int round = 0; round < 300; ++round) {
        const std::u16string text = randomPieces(picker, picker.pick(0, 40), true);
        LoadedBox made(text);
        HeadlessSurface surface;
        CLBox unmade;
        unmade.bind(surface);
        unmade.loadtext(text);
        std::vector<bool> startLines(static_cast<size_t>(unmade.lines.size()));
        for (int probe = 0; probe < 8; ++probe) {
            const std::u16string needle = randomPieces(picker, picker.pick(1, 3), probe % 4 == 0);
            const CLPos from = randomPosition(picker, made.box);
            startLines[static_cast<size_t>(from.yLine)] = true; // read as a record
            const Direction direction = probe % 2 == 0 ? Direction::Forward : Direction::Backward;
            const std::optional<SearchMatch> found = findText(made.box, needle, from, direction);
            ASSERT_EQ(findText(unmade, needle, from, direction), found)
                << "round " << round << " probe " << probe;
            ASSERT_EQ(findInSlices(unmade, needle, from, direction, picker), found);
            for (int32_t l = 0; l + 1 < unmade.lines.size(); ++l)
                if (!startLines[static_cast<size_t>(l)] && unmade.lines.isMade(l))
                    ADD_FAILURE() << "round " << round << ": the search made line " << l;
        }
    }
}

TEST(Search, FindsAroundTheCellsOfALineAndWrapsRound) {
    LoadedBox loaded(u"Alpha\tbeta\tGAMMA\nbeta\t\u00c9t\u00e9\nlast BETA");
    const CLBox& box = loaded.box;
    struct Row {
        const char16_t* needle;
        CLPos from;
        Direction direction;
        std::optional<SearchMatch> expected;
    };
    const std::vector<Row> rows = {
        {u"alpha", {0, 0, 0}, Direction::Forward, SearchMatch{0, 0, 0, 5}}, // at the cursor
        {u"gamma", {0, 0, 0}, Direction::Forward, SearchMatch{0, 2, 0, 5}}, // the last cell
        {u"BETA", {0, 1, 1}, Direction::Forward, SearchMatch{1, 0, 0, 4}},  // past a started one
        {u"beta", {2, 0, 9}, Direction::Forward, SearchMatch{0, 1, 0, 4}},  // wraps to the start
        {u"alpha", {0, 0, 1}, Direction::Forward, SearchMatch{0, 0, 0, 5}}, // round to itself
        {u"\u00e9T\u00c9", {0, 0, 0}, Direction::Forward, SearchMatch{1, 1, 0, 3}},
        {u"beta", {1, 0, 4}, Direction::Backward, SearchMatch{1, 0, 0, 4}}, // ends at the cursor
        {u"beta", {1, 0, 3}, Direction::Backward, SearchMatch{0, 1, 0, 4}},
        {u"alpha", {0, 0, 4}, Direction::Backward, SearchMatch{0, 0, 0, 5}}, // wraps to the end
        {u"beta", {0, 0, 0}, Direction::Backward, SearchMatch{2, 0, 5, 4}},
        {u"a\tb", {0, 0, 0}, Direction::Forward, std::nullopt}, // never across a tab
        {u"a\nb", {0, 0, 0}, Direction::Forward, std::nullopt},
        {u"GAMMA\nbeta", {0, 0, 0}, Direction::Forward, std::nullopt},
        {u"delta", {1, 1, 2}, Direction::Backward, std::nullopt},
        {u"", {0, 0, 0}, Direction::Forward, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(findText(box, row.needle, row.from, row.direction), row.expected)
            << "needle " << std::u16string(row.needle).size() << " units, from " << row.from.yLine
            << ", " << row.from.xTab << ", " << row.from.xChar;
}

TEST(Search, NeverBeginsOrEndsInsideASurrogatePair) {
    LoadedBox loaded(u"\U00010400x\U00010428");
    const std::u16string low(1, u'\xDC00'), high(1, u'\xD801');
    EXPECT_EQ(findText(loaded.box, low + u"x", {0, 0, 0}, Direction::Forward), std::nullopt);
    EXPECT_EQ(findText(loaded.box, u"x" + high, {0, 0, 0}, Direction::Forward), std::nullopt);
    EXPECT_EQ(findText(loaded.box, u"\U00010428X\U00010400", {0, 0, 2}, Direction::Forward),
              (SearchMatch{0, 0, 0, 5}));
}

TEST(SearchErrors, ABadStartOrAChangedTextIsRefused) {
    LoadedBox loaded(u"one\ttwo\nthree");
    CLBox& box = loaded.box;
    for (const CLPos& bad : {CLPos{2, 0, 0}, CLPos{0, 2, 0}, CLPos{0, 0, 4}, CLPos{1, 0, -1}}) {
        try {
            TextSearch(box, u"t", bad, Direction::Forward);
            ADD_FAILURE() << "no error from " << bad.yLine << ", " << bad.xTab << ", " << bad.xChar;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.number, ErrorNumber::OutOfRange);
        }
    }
    TextSearch search(box, u"three", {0, 0, 0}, Direction::Forward);
    EXPECT_EQ(search.advance(box, 1), TextSearch::Outcome::Searching);
    box.insertChar(U'x', box.cursor);
    try {
        search.advance(box, 100);
        ADD_FAILURE() << "a search went on in a changed text";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.number, ErrorNumber::BadArgument);
    }
}

} // namespace
