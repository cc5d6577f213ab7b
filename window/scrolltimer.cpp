#include "window/frmEditor.h"

#include "support/Rounding.h"

namespace {

// Each tick covers this share of the remaining way to the scroll target.
constexpr double glideFraction = 0.3;

} // namespace

// The tick also moves a drag's selection on while the view follows the pointer, keeps
// unsaved work, at pauses in typing, and carries a long find or Replace all on.
void frmEditor::onTick() {
    runIfFree([&] {
        glide();
        if (pointer.isDragging())
            dragTo(pointer.lastX(), pointer.lastY());
        keepUnsavedWork();
        carryOnFinding();
        carryOnReplacing();
    });
}

// A glide that cannot draw stops, or every tick would fail again.
void frmEditor::glide() {
    CLBox& shown = box();
    if (!shown.moving)
        return;
    shown.scrmovY = (shown.scrY - shown.scrmovY) * glideFraction + shown.scrmovY;
    shown.scrmovX = (shown.scrX - shown.scrmovX) * glideFraction + shown.scrmovX;
    const int32_t shownX = roundToPixel(shown.scrmovX), shownY = roundToPixel(shown.scrmovY);
    if (shownX != shown.scrmovlstX || shownY != shown.scrmovlstY) {
        if (draw() == Frame::Failed) {
            shown.moving = false;
            return;
        }
        shown.scrmovlstY = shownY;
        shown.scrmovlstX = shownX;
    } else if (shownX == shown.scrX && shownY == shown.scrY) {
        draw();
        shown.moving = false;
    }
}
