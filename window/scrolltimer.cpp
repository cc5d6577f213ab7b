#include "window/frmEditor.h"

#include "support/Rounding.h"

namespace {

// Each tick covers this share of the remaining way to the scroll target.
constexpr double glideFraction = 0.3;

} // namespace

// The tick also moves a drag's selection on while the view follows the pointer, keeps
// unsaved work, at pauses in typing, and carries a long find on.
void frmEditor::onTick() {
    handle([&] {
        glide();
        followPointer();
        keepUnsavedWork();
        carryOnFinding();
    });
}

// A glide that cannot draw stops, or every tick would fail again.
void frmEditor::glide() {
    CLBox& b = box();
    if (!b.moving)
        return;
    b.scrmovY = (b.scrY - b.scrmovY) * glideFraction + b.scrmovY;
    b.scrmovX = (b.scrX - b.scrmovX) * glideFraction + b.scrmovX;
    const int32_t shownX = roundToPixel(b.scrmovX), shownY = roundToPixel(b.scrmovY);
    if (shownX != b.scrmovlstX || shownY != b.scrmovlstY) {
        if (draw() == Frame::Failed) {
            b.moving = false;
            return;
        }
        b.scrmovlstY = shownY;
        b.scrmovlstX = shownX;
    } else if (shownX == b.scrX && shownY == b.scrY) {
        draw();
        b.moving = false;
    }
}
