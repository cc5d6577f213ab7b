#include "textbox/history.h"

#include "textbox/replaceall.h"

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

bool EditHistory::undo(CLBox& box, const TextChangeSink& told) {
    return takeStep(done, undone, Direction::Back, box, told);
}

bool EditHistory::redo(CLBox& box, const TextChangeSink& told) {
    return takeStep(undone, done, Direction::Forward, box, told);
}

// Moves the last step of from onto to, its changes taken back or made again. A failure
// part-way leaves a text the steps no longer describe.
bool EditHistory::takeStep(std::vector<Step>& from, std::vector<Step>& to, Direction direction,
                           CLBox& box, const TextChangeSink& told) {
    dropStale(box);
    runOpen = false;
    if (from.empty())
        return false;
    Step step = std::move(from.back());
    from.pop_back();
    const bool back = direction == Direction::Back;
    try {
        for (size_t k = 0; k < step.changes.size(); ++k) {
            const TextChange& change = step.changes[back ? step.changes.size() - 1 - k : k];
            if (change.bulk) {
                change.bulk->exchange(box, told);
                continue;
            }
            const auto& gone = back ? change.inserted : change.removed;
            replaceRange(box, change.at, endOf(change.at, *gone),
                         back ? change.removed : change.inserted, told);
        }
    } catch (...) {
        clear();
        throw;
    }
    box.cursor = back ? step.cursorBefore : step.cursorAfter;
    box.revision = back ? step.revisionBefore : step.revisionAfter;
    to.push_back(std::move(step));
    return true;
}
