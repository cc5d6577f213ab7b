#include "window/PointerState.h"

#include "support/Rounding.h"
#include "textbox/selection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Far beyond any text, yet no sum with a scroll offset can leave 64 bits.
constexpr double farthest = 1e12;

// The pixels one axis of a report scrolls: those a touchpad reports, else the notches
// at the user's lines per notch (or views per notch).
double wheelDistance(int32_t notches, double pixels, int32_t linesPerNotch, int32_t lineHeight,
                     int32_t viewExtent) {
    if (pixels != 0 && std::isfinite(pixels))
        return pixels;
    const double perNotch = linesPerNotch == wheelScrollsPages
                                ? viewExtent
                                : static_cast<double>(std::max(linesPerNotch, 0)) * lineHeight;
    return static_cast<double>(notches) * perNotch / wheelNotch;
}

// The whole pixels of rest + distance; rest keeps the fraction for the next report, so a
// high-resolution wheel's small steps add up (three thirds of a line to a whole line,
// however the thirds were rounded).
int64_t wholePixels(double& rest, double distance) {
    constexpr double roundingSlack = 1e-6;
    const double total = std::clamp(rest + distance, -farthest, farthest);
    const double whole = std::trunc(total + std::copysign(roundingSlack, total));
    rest = total - whole;
    return static_cast<int64_t>(whole);
}

} // namespace

void PointerState::press(CLBox& box, double x, double y, Selecting selecting) {
    dragAnchor.reset();
    clearSelection(box);
    box.cursor = box.XYscrmovToPos(roundToPixel(x), roundToPixel(y), false);
    blockCorner = cellUnder(box, roundToPixel(x), roundToPixel(y));
    dragAnchor = box.cursor;
    dragSelects = selecting;
    movedOffPress = false;
    pressX = pointerX = x;
    pressY = pointerY = y;
}

void PointerState::dragTo(CLBox& box, double x, double y) {
    pointerX = x;
    pointerY = y;
    movedOffPress = movedOffPress || x != pressX || y != pressY;
    if (dragSelects == Selecting::Block && !movedOffPress)
        return;
    const double margin = std::max(1, box.lineHeight / 2);
    const double beyondY = y < margin                     ? y - box.lineHeight
                           : y >= box.viewHeight - margin ? y + box.lineHeight
                                                          : y;
    const double beyondX = x < 0 ? x - box.spaceWidth : x >= box.viewWidth ? x + box.spaceWidth : x;
    const int32_t viewX = roundToPixel(beyondX), viewY = roundToPixel(beyondY);
    if (dragSelects == Selecting::Block) {
        selectBlock(box, blockBetween(blockCorner, cellUnder(box, viewX, viewY)));
        box.cursor = box.XYscrmovToPos(viewX, viewY, false);
    } else {
        setSelection(box, *dragAnchor, box.XYscrmovToPos(viewX, viewY, false));
    }
    if (beyondX != x || beyondY != y)
        box.viewFollow(box.cursor);
}

void PointerState::scrollByWheel(CLBox& box, WheelTurn turn, ShiftMask shift) {
    if (holds(shift, ShiftMask::Shift)) {
        turn.notchesX += turn.notchesY;
        turn.pixelsX += turn.pixelsY;
        turn.notchesY = 0;
        turn.pixelsY = 0;
    }
    const int64_t wantedX =
        wholePixels(wheelRestX, wheelDistance(turn.notchesX, turn.pixelsX, turn.linesPerNotch,
                                              box.lineHeight, box.viewWidth));
    const int64_t wantedY =
        wholePixels(wheelRestY, wheelDistance(turn.notchesY, turn.pixelsY, turn.linesPerNotch,
                                              box.lineHeight, box.viewHeight));
    const int32_t fromX = box.scrX, fromY = box.scrY;
    box.scrollBy(wantedX, wantedY);
    if (box.scrX - int64_t{fromX} != wantedX)
        wheelRestX = 0;
    if (box.scrY - int64_t{fromY} != wantedY)
        wheelRestY = 0;
}

int32_t PointerState::zoomNotches(const WheelTurn& turn) {
    zoomRest += turn.notchesY + turn.notchesX;
    const int32_t whole = zoomRest / wheelNotch;
    zoomRest -= whole * wheelNotch;
    return whole;
}
