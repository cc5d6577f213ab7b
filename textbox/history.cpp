#include "textbox/history.h"

#include <utility>

namespace {

CLPos placeOf(const CLPos& pos) {
    return {pos.yLine, pos.xTab, pos.xChar};
}

} // namespace

void EditHistory::dropStale(const CLBox& box) {
    if (!done.empty() && done.back().revisionAfter != box.revision)
        done.clear();
    if (!undone.empty() && undone.back().revisionBefore != box.revision)
        undone.clear();
}

void EditHistory::begin(const CLBox& box, Action kind) {
    dropStale(box);
    action = kind;
    continuing = kind == Action::Typing && runOpen && !done.empty() &&
                 samePlace(done.back().cursorAfter, box.cursor);
    open = Step{{}, placeOf(box.cursor), {}, box.revision, box.revision};
}

void EditHistory::record(const TextChange& change) {
    (continuing ? done.back() : open).changes.push_back(change);
}

void EditHistory::end(const CLBox& box) {
    if (!continuing && open.changes.empty())
        return;
    Step& step = continuing ? done.back() : open;
    step.cursorAfter = placeOf(box.cursor);
    step.revisionAfter = box.revision;
    if (!continuing)
        done.push_back(std::exchange(open, Step{}));
    undone.clear();
    runOpen = action == Action::Typing;
}

void EditHistory::clear() {
    done.clear();
    undone.clear();
    open = Step{};
    continuing = false;
    runOpen = false;
}

// A failure part-way leaves a text the steps no longer describe.
template <class Apply> void EditHistory::replay(const Apply& apply) {
    try {
        apply();
    } catch (...) {
        clear();
        throw;
    }
}

bool EditHistory::undo(CLBox& box, const TextChangeSink& told) {
    dropStale(box);
    runOpen = false;
    if (done.empty())
        return false;
    Step step = std::move(done.back());
    done.pop_back();
    replay([&] {
        for (auto change = step.changes.rbegin(); change != step.changes.rend(); ++change)
            replaceRange(box, change->at, endOf(change->at, *change->inserted), change->removed,
                         told);
    });
    box.cursor = step.cursorBefore;
    box.revision = step.revisionBefore;
    undone.push_back(std::move(step));
    return true;
}

bool EditHistory::redo(CLBox& box, const TextChangeSink& told) {
    dropStale(box);
    runOpen = false;
    if (undone.empty())
        return false;
    Step step = std::move(undone.back());
    undone.pop_back();
    replay([&] {
        for (const TextChange& change : step.changes)
            replaceRange(box, change.at, endOf(change.at, *change.removed), change.inserted, told);
    });
    box.cursor = step.cursorAfter;
    box.revision = step.revisionAfter;
    done.push_back(std::move(step));
    return true;
}
