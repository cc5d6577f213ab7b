#pragma once

#include "textbox/CLBox.h"
#include "textbox/replaceall.h"
#include "textbox/search.h"
#include "textbox/selection.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The window's finding: the last text searched for and its options, and a find or a Replace
// all that outlasts its handler, carried on by the ticks while the text (and, for a find, the
// cursor) stays as it was when it began. Both share the window's thread: the handler works for
// up to firstAllowance, then each tick for up to tickAllowance, looking at the clock after
// every slice of sliceUnits code units.
class FindSession {
public:
    struct Pacing {
        std::chrono::milliseconds firstAllowance{150};
        std::chrono::milliseconds tickAllowance{25};
        int64_t sliceUnits = int64_t{1} << 20;
    };
    Pacing pacing; // tests shorten it

    const std::u16string& lastSearch() const { return searched; }
    const SearchOptions& lastOptions() const { return options; }
    // Ctrl+F's search ignores case and matches anywhere.
    void setLastSearch(const std::u16string& text, SearchOptions searchOptions = {}) {
        searched = text;
        options = searchOptions;
    }
    // Whether range is exactly a match of the last search, as a selection a find left is.
    bool isMatch(const CLBox& box, const TextRange& range) const;

    // What a find came to so far: still going on (pending), a match, or nothing.
    struct Outcome {
        TextSearch::Outcome state = TextSearch::Outcome::Searching;
        SearchMatch match;
    };
    // Begins a find of the last search from `from`, the cursor at box.cursor, and searches
    // for the first allowance. Raises what the search raises, keeping nothing pending.
    Outcome start(const CLBox& box, const CLPos& from, SearchDirection direction);
    // At a tick: searches on for the tick's allowance. A find is given up once the text or
    // the cursor changed, since what it would show then is no longer what was asked for;
    // given up, or with nothing pending, there is no outcome.
    std::optional<Outcome> carryOn(const CLBox& box);

    // Replace all of the last search by a replacement: still going on (pending), ready to be
    // made, given up since the text changed, or none pending.
    enum class Replacing { None, Pending, Ready, GivenUp };
    // Begins it, stopping a find, and works on it for the first allowance. Raises what the
    // Replace all raises, keeping nothing pending.
    Replacing startReplacingAll(const CLBox& box, const std::u16string& replacement);
    // At a tick: works on for the tick's allowance.
    Replacing carryOnReplacing(const CLBox& box);
    // The Replace all once Ready, handed over to be made; none is pending after.
    ReplaceAll takeReplacement();
    bool isReplacing() const { return replacing.has_value(); }

    // Stops a find or a Replace all.
    void stop() {
        pending.reset();
        replacing.reset();
    }
    bool isPending() const { return pending.has_value() || replacing.has_value(); }
    // "finding 40%" or "replacing 40%", while one is pending.
    std::u16string caption() const;

private:
    Outcome searchFor(const CLBox& box, std::chrono::milliseconds allowance);
    Replacing replaceFor(const CLBox& box, std::chrono::milliseconds allowance);

    std::u16string searched;
    SearchOptions options;
    struct PendingFind {
        TextSearch search;
        CLPos cursor;
        uint64_t revision;
    };
    std::optional<PendingFind> pending;
    struct PendingReplacement {
        ReplaceAll work;
        uint64_t revision;
    };
    std::optional<PendingReplacement> replacing;
};
