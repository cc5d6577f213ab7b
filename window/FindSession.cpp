#include "window/FindSession.h"

#include "textbox/textrange.h"

#include <cmath>
#include <string>
#include <utility>

namespace {

std::u16string percentText(double share) {
    const std::string digits = std::to_string(static_cast<int>(std::floor(share * 100)));
    return std::u16string(digits.begin(), digits.end()) + u"%";
}

} // namespace

FindSession::Outcome FindSession::start(const CLBox& box, const CLPos& from,
                                        SearchDirection direction) {
    pending.reset();
    pending.emplace(
        PendingFind{TextSearch(box, searched, from, direction), box.cursor, box.revision});
    try {
        return searchFor(box, pacing.firstAllowance);
    } catch (...) {
        pending.reset();
        throw;
    }
}

std::optional<FindSession::Outcome> FindSession::carryOn(const CLBox& box) {
    if (!pending)
        return std::nullopt;
    if (box.revision != pending->revision || !samePlace(box.cursor, pending->cursor)) {
        pending.reset();
        return std::nullopt;
    }
    try {
        return searchFor(box, pacing.tickAllowance);
    } catch (...) {
        pending.reset();
        throw;
    }
}

// One slice at least; a find that is not over by the deadline stays pending.
FindSession::Outcome FindSession::searchFor(const CLBox& box, std::chrono::milliseconds allowance) {
    const auto deadline = std::chrono::steady_clock::now() + allowance;
    TextSearch& search = pending->search;
    TextSearch::Outcome state = TextSearch::Outcome::Searching;
    do {
        state = search.advance(box, pacing.sliceUnits);
    } while (state == TextSearch::Outcome::Searching &&
             std::chrono::steady_clock::now() < deadline);
    if (state == TextSearch::Outcome::Searching)
        return {};
    const Outcome over{state, search.match()};
    pending.reset();
    return over;
}

std::u16string FindSession::caption() const {
    return u"finding " + percentText(pending->search.progress());
}
