#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <cstdint>
#include <vector>

// The edit history: the steps undo takes back and redo makes again. A step is what one
// editing action changed, through the text-range layer (a Replace all's one bulk change,
// whose lines are exchanged again), with the cursor before and after
// it and the revision the text had on either side, so that undoing back to a saved state
// gives that state's revision, and with it its unmodified look, back. Typed characters in
// a row make one step until something breaks the run.
class EditHistory {
public:
    enum class Action { Typing, Other };

    // Opens a step for an action on the box as it stands before the action. Typing goes on
    // with an open run if the box still stands where the run left it.
    void begin(const CLBox& box, Action action);
    // A change the open step made.
    void record(const TextChange& change);
    // Closes the action on the box as it stands after it. A step that changed nothing is
    // dropped, leaving a run as it was; one that changed the text drops what redo had.
    void end(const CLBox& box);
    // The next typed character starts a step of its own.
    void breakRun() { runOpen = false; }
    void clear();

    // Takes the last step back: its changes undone, the last first, each told; the cursor
    // where it stood before the step and the text's revision as it was then. False, and
    // nothing done, when there is nothing to undo, or when the text changed since without
    // the history (which then forgets what it held). A step that fails half-way leaves the
    // history empty, the changes it made told.
    bool undo(CLBox& box, const TextChangeSink& told);
    // Makes the step undo took back again; the cursor where it stood after the step.
    bool redo(CLBox& box, const TextChangeSink& told);

private:
    struct Step {
        std::vector<TextChange> changes; // in the order they were made
        CLPos cursorBefore, cursorAfter;
        uint64_t revisionBefore = 0, revisionAfter = 0;
    };
    enum class Direction { Back, Forward };
    // Forgets steps made on a text the box no longer holds.
    void dropStale(const CLBox& box);
    bool takeStep(std::vector<Step>& from, std::vector<Step>& to, Direction direction, CLBox& box,
                  const TextChangeSink& told);

    std::vector<Step> done;
    std::vector<Step> undone;
    Step open;
    bool continuing = false; // the open action adds to the last step, a run of typing
    bool runOpen = false;
    Action action = Action::Other;
};
