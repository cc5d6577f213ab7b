#pragma once

#include "containers/Ref.h"
#include "textbox/CLBox.h"
#include "textbox/search.h"
#include "textbox/selection.h"
#include "textbox/textrange.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Replace all: every match of a search in the whole text, left to right and without
// overlaps, gives way to one replacement, which goes in as a paste of it goes in (a tab ends
// a cell, a line break splits the line). The text is searched as it was before: a
// replacement is never searched again.
//
// It costs what the lines it touches cost, whatever the size of the text: each touched line
// is written anew once, as loading reads lines, and held as a line made when first read; the
// lines it does not touch stay as they are, made or not. Undoing it puts the old lines back.

// What a Replace all replaces, and by what: the journal keeps one as this.
struct ReplaceAllOrder {
    std::u16string needle;
    SearchOptions options;
    std::u16string replacement; // as typed: split into lines and cells as a paste is
    bool operator==(const ReplaceAllOrder&) const = default;
};

// A change of whole lines: in runs, lines of the text gave way to lines it holds. Exchanging
// again puts back the lines taken out, and holds the ones put in before: the change taken
// back, or made again.
class BulkChange : public std::enable_shared_from_this<BulkChange> {
public:
    explicit BulkChange(std::shared_ptr<const ReplaceAllOrder> madeBy) : order(std::move(madeBy)) {}

    const std::shared_ptr<const ReplaceAllOrder> order; // what made it
    // The revision the change first gave the text, which no other change gives it.
    uint64_t madeRevision() const { return madeAt; }
    // Made, or made again: not taken back.
    bool isInEffect() const { return exchanges % 2 == 1; }
    // Where the last exchange changed the text: what it took out stood from before.start to
    // before.end, and what it put in stands from after.start (the same place) to after.end.
    TextRange before() const { return changedBefore; }
    TextRange after() const { return changedAfter; }

    // Exchanges the lines, telling the change. The box holds the text this change left at
    // its last exchange, or, for the first, the text its lines were made for. Refuses before
    // anything changes what would not fit (Overflow), and a line that cannot be measured.
    void exchange(CLBox& box, const TextChangeSink& told);

private:
    friend class ReplaceAll;
    // The lines [at, at + count) of the text give way to the next heldCount lines held.
    struct Run {
        int32_t at;
        int32_t count;
        int32_t heldCount;
    };
    std::vector<int32_t> heightsOfHeld(CLBox& box);
    void exchangeInPlace(CLBox& box, const std::vector<int32_t>& heights);
    void exchangeRebuilding(CLBox& box, const std::vector<int32_t>& heights);

    std::vector<Run> runs;
    std::vector<Ref<CLLine>> held; // lines made or held as codes, run after run
    uint64_t madeAt = 0;
    int64_t exchanges = 0;
    TextRange changedBefore, changedAfter;
};

class LineWriter; // replaceall.cpp

// A Replace all that shares the thread: searched, then its lines written, in slices of
// bounded work, and the change made at once at the end, so that giving up before then leaves
// the text as it was. The text must not change in between.
class ReplaceAll {
public:
    ReplaceAll(const CLBox& box, ReplaceAllOrder order);
    ~ReplaceAll();
    ReplaceAll(ReplaceAll&&) noexcept;
    ReplaceAll& operator=(ReplaceAll&&) noexcept;

    // Works on for about budget code units of work: true once the change is ready to make.
    // A text changed since it began raises BadArgument; too many lines, Overflow.
    bool advance(const CLBox& box, int64_t budget);
    // The share of the work done, from 0 to 1.
    double progress() const;
    // The matches found so far: once ready, the replacements the change makes.
    int64_t matches() const { return matchCount; }
    // Once ready: makes the change, told as one bulk change, and puts the cursor after the
    // last replacement. Without a match it changes nothing and tells nothing.
    void apply(CLBox& box, const TextChangeSink& told);

    // Where a match starts; they are all of one length.
    struct Place {
        int32_t yLine, xTab, xChar;
    };

private:
    void find(const CLBox& box, int64_t& budget);
    void write(const CLBox& box, int64_t& budget);
    void countLine(const CLBox& box, int32_t l);

    enum class Stage { Searching, Writing, Ready, Applied } stage = Stage::Searching;
    uint64_t revision;
    TextSearch search;
    std::vector<Place> places; // of the matches, in order
    int32_t matchLength = 0;
    int64_t matchCount = 0;
    size_t nextPlace = 0;     // the first match of the next line to write
    int64_t linesAdded = 0;   // by the lines written so far
    int64_t linesMatched = 0; // the lines that hold a match
    int64_t unitsWritten = 0; // about what writing the lines takes
    std::vector<std::u16string_view> lineCells;
    std::unique_ptr<LineWriter> writer;
    std::shared_ptr<BulkChange> change;
};

// The whole of it at once: the replacements made.
int64_t replaceAll(CLBox& box, const ReplaceAllOrder& order, const TextChangeSink& told);
