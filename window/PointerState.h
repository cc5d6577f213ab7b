#pragma once

#include "textbox/CLBox.h"
#include "textbox/blockselection.h"
#include "window/Input.h"

#include <optional>

// What the pointer is doing to the text: where the left button went down while it is held
// (a drag's anchor) and where the pointer was last, so that the view goes on following it
// near an edge; and what the wheel scrolled short of a whole pixel.
class PointerState {
public:
    // What a drag selects: text, or (with Alt held) a block of cells.
    enum class Selecting { Text, Block };
    // The left button went down at (x, y) of the view: the cursor goes to the text shown
    // there, the selection ends, and a drag may start. The view does not follow.
    void press(CLBox& box, double x, double y, Selecting selecting = Selecting::Text);
    void release() { dragAnchor.reset(); }
    bool isDragging() const { return dragAnchor.has_value(); }
    // The selection runs from the anchor to the text under (x, y); near an edge of the
    // view, or past it, to the text beyond that edge, which the view follows. A block runs
    // from the cell pressed to the cell there, the cursor going to the text there as well,
    // once the pointer has moved off the point pressed: until then it is a click.
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
    Selecting dragSelects = Selecting::Text;
    CellCorner blockCorner; // the cell pressed, for a block
    bool movedOffPress = false;
    double pressX = 0, pressY = 0;
    double pointerX = 0, pointerY = 0;
    double wheelRestX = 0, wheelRestY = 0;
    int32_t zoomRest = 0; // in 1/wheelNotch of a notch
};
