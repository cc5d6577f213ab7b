#pragma once

#include "textbox/CLBox.h"
#include "window/Input.h"

#include <optional>

// What the pointer is doing to the text: where the left button went down while it is held
// (a drag's anchor) and where the pointer was last, so that the view goes on following it
// near an edge; and what the wheel scrolled short of a whole pixel.
class PointerState {
public:
    // The left button went down at (x, y) of the view: the cursor goes to the text shown
    // there, the selection ends, and a drag may start. The view does not follow.
    void press(CLBox& box, double x, double y);
    void release() { dragAnchor.reset(); }
    bool isDragging() const { return dragAnchor.has_value(); }
    // The selection runs from the anchor to the text under (x, y); near an edge of the
    // view, or past it, to the text beyond that edge, which the view follows.
    void dragTo(CLBox& box, double x, double y);
    // Where the pointer was last during the drag.
    double lastX() const { return pointerX; }
    double lastY() const { return pointerY; }

    // Moves the scroll target, not the cursor; Shift turns a vertical turn sideways. A target
    // held at an edge keeps no fraction to scroll past it later.
    void scrollByWheel(CLBox& box, WheelTurn turn, ShiftMask shift);
    // The whole notches a turn with Ctrl held adds up to, down positive; parts of one are
    // kept for the next turn.
    int32_t zoomNotches(const WheelTurn& turn);

private:
    std::optional<CLPos> dragAnchor;
    double pointerX = 0, pointerY = 0;
    double wheelRestX = 0, wheelRestY = 0;
    int32_t zoomRest = 0; // in 1/wheelNotch of a notch
};
