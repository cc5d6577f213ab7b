#include "window/FontZoom.h"

#include "support/Rounding.h"
#include "support/modLocale.h"
#include "textbox/CLBox.h"
#include "window/FontPrompt.h"
#include "window/Host.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>

namespace {

constexpr double stepFactor = 1.1;

// A tenth of a point, so that the size prompt offers "9.9" and not 9.900000000000002.
double tidied(double points) {
    return std::round(points * 10) / 10;
}

} // namespace

// Sizes are counted from the size before the first step, so that steps up and back down
// meet the same sizes again; a bound ends a run of steps where it is reached.
std::optional<double> FontZoom::stepped(double current, int32_t steps) {
    if (steps == 0 || (steps > 0 && current >= largest) || (steps < 0 && current <= smallest))
        return std::nullopt;
    if (!before) {
        before = current;
        taken = 0;
    }
    const double base = *before;
    const auto sizeAt = [&](int32_t n) {
        return std::clamp(tidied(base * std::pow(stepFactor, n)), smallest, largest);
    };
    for (int32_t k = 0; k < std::abs(steps); ++k) {
        const bool atBound = steps > 0 ? sizeAt(taken) >= largest : sizeAt(taken) <= smallest;
        if (atBound)
            break;
        taken += steps > 0 ? 1 : -1;
    }
    const double size = sizeAt(taken);
    if (std::abs(size - current) < 0.01) // the surface may keep a size in single precision
        return std::nullopt;
    return size;
}

std::optional<double> FontZoom::reset() {
    const std::optional<double> size = before;
    before.reset();
    taken = 0;
    return size;
}

namespace {

std::u16string sizeText(double points) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), points).ptr;
    return {buffer.data(), end};
}

} // namespace

std::optional<std::u16string> zoomTo(Host& host, CLBox& box, double points) {
    Surface& surface = host.picture();
    const double previous = surface.fontSize();
    const int32_t lineInView = box.lines.weiacc(box.cursor.yLine) - roundToPixel(box.scrmovY);
    const int32_t cursorInView = box.posToXY(box.cursor).x - roundToPixel(box.scrmovX);
    const auto keepPlace = [&] {
        box.scrY = std::max(0, box.lines.weiacc(box.cursor.yLine) - lineInView);
        box.scrX = std::max(0, box.posToXY(box.cursor).x - cursorInView);
        box.viewFollow(box.cursor); // in view, and the text's end no higher than the view's
        box.scrmovY = box.scrmovlstY = box.scrY;
        box.scrmovX = box.scrmovlstX = box.scrX;
        box.moving = false; // the frame that follows shows it
    };
    try {
        surface.setFontSize(points);
    } catch (const std::exception& refused) {
        return u"The font size " + sizeText(points) + u" cannot be used: " +
               modLocale::bytesToText(refused.what(), modLocale::codePageUtf8) + u".";
    }
    if (layOutAgain(box, keepPlace) == Layout::Done)
        return std::nullopt;
    surface.setFontSize(previous);
    layOutAgain(box, keepPlace);
    return u"The text is too large to lay out at " + sizeText(points) +
           u" points; the font stays as it was.";
}
