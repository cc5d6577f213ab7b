#include "window/frmEditor.h"

#include <algorithm>
#include <cmath>

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

void frmEditor::onWheel(const WheelTurn& turn, ShiftMask shift) {
    handle([&] { guarded(u"scrolling", [&] { scrollByWheel(turn, shift); }); });
}

// Nothing is drawn here: the glide draws at the next tick, so a burst of reports costs
// one frame a tick. A target held at an edge keeps no fraction to scroll past it later.
void frmEditor::scrollByWheel(WheelTurn turn, ShiftMask shift) {
    if (holds(shift, ShiftMask::Shift)) {
        turn.notchesX += turn.notchesY;
        turn.pixelsX += turn.pixelsY;
        turn.notchesY = 0;
        turn.pixelsY = 0;
    }
    CLBox& b = box();
    const int64_t wantedX =
        wholePixels(wheelRestX, wheelDistance(turn.notchesX, turn.pixelsX, turn.linesPerNotch,
                                              b.lineHeight, b.viewWidth));
    const int64_t wantedY =
        wholePixels(wheelRestY, wheelDistance(turn.notchesY, turn.pixelsY, turn.linesPerNotch,
                                              b.lineHeight, b.viewHeight));
    const int32_t fromX = b.scrX, fromY = b.scrY;
    b.scrollBy(wantedX, wantedY);
    if (b.scrX - int64_t{fromX} != wantedX)
        wheelRestX = 0;
    if (b.scrY - int64_t{fromY} != wantedY)
        wheelRestY = 0;
}
