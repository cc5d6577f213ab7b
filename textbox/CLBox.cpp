#include "textbox/CLBox.h"
#include "textbox/loadedlines.h"

#include "support/Rounding.h"

#include <stdexcept>

CLBox::CLBox() = default;
CLBox::~CLBox() = default;

Surface& CLBox::surface() {
    if (refWindow == nullptr)
        throw EngineError(ErrorNumber::BadArgument, "the text box is not bound to a surface");
    return *refWindow;
}

void CLBox::bind(Surface& target) {
    refWindow = &target;
    target.setScaleMode(Surface::ScaleModePixels);
    measuredDotsPerInch = target.dotsPerInch();
}

void CLBox::updateCache() {
    Surface& s = surface();
    viewWidth = roundToPixel(s.scaleWidth());
    viewHeight = roundToPixel(s.scaleHeight());
    spaceWidth = roundToPixel(s.textWidth(u" "));
    lineHeight = roundToPixel(s.textHeight(u" "));
    fontSize = static_cast<float>(s.fontSize());
}
