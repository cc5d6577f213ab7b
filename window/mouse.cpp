#include "window/frmEditor.h"

#include "support/Rounding.h"
#include "window/FontPrompt.h"

// The view does not follow a click: the cursor goes where the text is shown now. The
// button held, the selection then follows the pointer from there.
// With Alt held, the drag selects a block of cells.
void frmEditor::onMouseDown(MouseButton button, ShiftMask shift, double x, double y) {
    const auto selecting = holds(shift, ShiftMask::Alt) ? PointerState::Selecting::Block
                                                        : PointerState::Selecting::Text;
    if (button == MouseButton::Left)
        runIfFree([&] { placeCursor(x, y, selecting); });
}

void frmEditor::placeCursor(double x, double y, PointerState::Selecting selecting) {
    const CursorPlace before = cursorPlace();
    extending.end();
    guarded(u"placing the cursor", [&] { pointer.press(box(), x, y, selecting); });
    endRunIfMoved(before);
    draw();
}

void frmEditor::onMouseMove(MouseButton held, ShiftMask, double x, double y) {
    if (!pointer.isDragging())
        return;
    if (held != MouseButton::Left) // released where no release reached the window
        return pointer.release();
    runIfFree([&] { dragTo(x, y); });
}

void frmEditor::dragTo(double x, double y) {
    const CursorPlace before = cursorPlace();
    guarded(u"selecting", [&] { pointer.dragTo(box(), x, y); });
    if (cursorPlace() != before) {
        history.breakRun();
        drawUnlessMoving();
    }
}

void frmEditor::onDoubleClick(MouseButton button, ShiftMask, double x, double y) {
    if (button == MouseButton::Left)
        runIfFree([&] { selectWord(x, y); });
}

// The word under the pointer: the character it is on decides, not the nearest boundary.
void frmEditor::selectWord(double x, double y) {
    const CursorPlace before = cursorPlace();
    pointer.release();
    extending.end();
    guarded(u"selecting", [&] {
        CLBox& shown = box();
        const int32_t viewX = roundToPixel(x);
        const CLPos at = shown.XYscrmovToPos(viewX, roundToPixel(y), false);
        const Side side = viewX < shown.posToXYScrmov(at).x ? Side::Before : Side::After;
        const TextRange word = wordAt(shown, at, side);
        setSelection(shown, word.start, word.end);
    });
    endRunIfMoved(before);
    draw();
}

void frmEditor::onMouseUp(MouseButton button, ShiftMask, double, double) {
    if (button == MouseButton::Left)
        pointer.release();
    if (button == MouseButton::Right)
        runIfFree([&] { changeFont(); });
}

// A click, this one too, ends the selection.
void frmEditor::changeFont() {
    const CursorPlace before = cursorPlace();
    clearSelection(box());
    extending.end();
    endRunIfMoved(before);
    zoom.sizeChosen();
    if (const auto refused = changeFontByPrompts(host, box()))
        report(*refused);
}

// With Ctrl held the wheel zooms, a step a notch: larger turned away from the user.
void frmEditor::onWheel(const WheelTurn& turn, ShiftMask shift) {
    runIfFree([&] {
        if (holds(shift, ShiftMask::Ctrl))
            return zoomBy(-pointer.zoomNotches(turn));
        guarded(u"scrolling", [&] { pointer.scrollByWheel(box(), turn, shift); });
    });
}
