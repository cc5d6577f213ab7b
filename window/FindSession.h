#pragma once

#include "textbox/CLBox.h"
#include "textbox/search.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The window's finding: the last text searched for, and a find that outlasts its key's
// handler, carried on by the ticks while the text and the cursor stay as they were when it
// began. Searching shares the window's thread: the key's handler searches for up to
// firstAllowance, then each tick for up to tickAllowance, looking at the clock after
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
    void setLastSearch(const std::u16string& text) { searched = text; }

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
    void stop() { pending.reset(); }
    bool isPending() const { return pending.has_value(); }
    // "finding 40%", while a find is pending.
    std::u16string caption() const;

private:
    Outcome searchFor(const CLBox& box, std::chrono::milliseconds allowance);

    std::u16string searched;
    struct PendingFind {
        TextSearch search;
        CLPos cursor;
        uint64_t revision;
    };
    std::optional<PendingFind> pending;
};
