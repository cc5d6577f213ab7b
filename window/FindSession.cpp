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

// Runs slices until one says the work is done, or the allowance is over; one slice at least.
template <class Slice> bool workFor(std::chrono::milliseconds allowance, Slice&& slice) {
    const auto deadline = std::chrono::steady_clock::now() + allowance;
    bool done = false;
    do {
        done = slice();
    } while (!done && std::chrono::steady_clock::now() < deadline);
    return done;
}

} // namespace

bool FindSession::isMatch(const CLBox& box, const TextRange& range) const {
    const bool inOneCell =
        range.start.yLine == range.end.yLine && range.start.xTab == range.end.xTab;
    if (!inOneCell)
        return false;
    const std::optional<SearchMatch> match =
        TextSearch(box, searched, range.start, SearchDirection::Forward, options)
            .matchStartingAt(box, range.start);
    return match && match->end() == range.end;
}

FindSession::Outcome FindSession::start(const CLBox& box, const CLPos& from,
                                        SearchDirection direction) {
    stop();
    pending.emplace(
        PendingFind{TextSearch(box, searched, from, direction, options), box.cursor, box.revision});
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

// A find that is not over by the deadline stays pending.
FindSession::Outcome FindSession::searchFor(const CLBox& box, std::chrono::milliseconds allowance) {
    TextSearch& search = pending->search;
    TextSearch::Outcome state = TextSearch::Outcome::Searching;
    workFor(allowance, [&] {
        state = search.advance(box, pacing.sliceUnits);
        return state != TextSearch::Outcome::Searching;
    });
    if (state == TextSearch::Outcome::Searching)
        return {};
    const Outcome over{state, search.match()};
    pending.reset();
    return over;
}

FindSession::Replacing FindSession::startReplacingAll(const CLBox& box,
                                                      const std::u16string& replacement) {
    stop();
    replacing.emplace(
        PendingReplacement{ReplaceAll(box, {searched, options, replacement}), box.revision});
    try {
        return replaceFor(box, pacing.firstAllowance);
    } catch (...) {
        replacing.reset();
        throw;
    }
}

FindSession::Replacing FindSession::carryOnReplacing(const CLBox& box) {
    if (!replacing)
        return Replacing::None;
    if (box.revision != replacing->revision) {
        replacing.reset();
        return Replacing::GivenUp;
    }
    try {
        return replaceFor(box, pacing.tickAllowance);
    } catch (...) {
        replacing.reset();
        throw;
    }
}

FindSession::Replacing FindSession::replaceFor(const CLBox& box,
                                               std::chrono::milliseconds allowance) {
    ReplaceAll& work = replacing->work;
    const bool ready = workFor(allowance, [&] { return work.advance(box, pacing.sliceUnits); });
    return ready ? Replacing::Ready : Replacing::Pending;
}

ReplaceAll FindSession::takeReplacement() {
    ReplaceAll taken = std::move(replacing.value().work);
    replacing.reset();
    return taken;
}

std::u16string FindSession::caption() const {
    if (replacing)
        return u"replacing " + percentText(replacing->work.progress());
    return u"finding " + percentText(pending->search.progress());
}
