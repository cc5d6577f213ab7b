#include "textbox/CLBox.h"

#include "support/Rounding.h"
#include "textbox/utf16.h"

#include <algorithm>
#include <string>

namespace {

// Measuring on an empty line happens in its smaller font; the scope puts the box's
// font size back however it is left.
class LineFontScope {
public:
    LineFontScope(Surface& target, double lineSize, double boxSize)
        : surface(target), restore(boxSize), changed(lineSize != boxSize) {
        if (changed)
            surface.setFontSize(lineSize);
    }
    LineFontScope(const LineFontScope&) = delete;
    LineFontScope& operator=(const LineFontScope&) = delete;
    ~LineFontScope() {
        if (changed) {
            try {
                surface.setFontSize(restore);
            } catch (...) { // already failing: the first error is the one to report
            }
        }
    }

private:
    Surface& surface;
    double restore;
    bool changed;
};

int32_t clampIndex(int32_t index, int32_t count) {
    return std::clamp(index, 0, count - 1);
}

} // namespace

CLPos CLBox::XYToPos(int32_t x, int32_t y, bool yonly) {
    if (lines.size() == 0)
        raiseOutOfRange("a position in an empty document");
    CLPos pos;
    pos.yLine = clampIndex(lines.atwei(y), lines.size());
    if (yonly)
        return pos;
    const CLLine& line = *lines.at(pos.yLine);
    pos.xTab = clampIndex(line.tabs.atwei(x), line.tabs.size());
    const CLTab& cell = *line.tabs.at(pos.xTab);
    const int32_t xr = x - line.tabs.weiacc(pos.xTab);
    const LineFontScope font(surface(), lineFontSize(line), fontSize);
    pos.xChar = characterAt(cell.text, xr);
    const auto length = static_cast<int32_t>(cell.text.size());
    const bool lastCell = pos.xTab == line.tabs.size() - 1;
    const bool rightOfText = prefixWidth(cell.text, length) < xr; // not on its last character
    if (pos.xChar == length && rightOfText && !lastCell && cell.width - xr < xr - cell.innerWidth) {
        ++pos.xTab; // nearer the next column than the end of this text
        pos.xChar = 0;
    }
    return pos;
}

// The character boundary nearest to xr within text, a point on a character's middle
// counting to the left; a surrogate pair is one character.
int32_t CLBox::characterAt(std::u16string_view text, int32_t xr) {
    const auto length = static_cast<int32_t>(text.size());
    int32_t lo = 0, hi = length;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (xr > prefixWidth(text, mid + 1))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == length)
        return length;
    const int32_t start = characterStart(text, lo);
    const int32_t end = start + std::max(unitsAfter(text, start), 1);
    const double wl = prefixWidth(text, start), wr = prefixWidth(text, end);
    return xr - wl > wr - xr ? end : start;
}

double CLBox::prefixWidth(std::u16string_view text, int32_t units) {
    return units <= 0 ? 0.0 : surface().textWidth(text.substr(0, static_cast<size_t>(units)));
}

CLPos CLBox::XYscrmovToPos(int32_t x, int32_t y, bool yonly) {
    return XYToPos(x + roundToPixel(scrmovX), y + roundToPixel(scrmovY), yonly);
}

PixelPoint CLBox::posToXY(const CLPos& pos) {
    const CLLine& line = *lines.at(pos.yLine);
    const CLTab& cell = *line.tabs.at(pos.xTab);
    if (pos.xChar < 0 || static_cast<size_t>(pos.xChar) > cell.text.size())
        raiseOutOfRange("character " + std::to_string(pos.xChar) + " of a cell of " +
                        std::to_string(cell.text.size()));
    const LineFontScope font(surface(), lineFontSize(line), fontSize);
    return {line.tabs.weiacc(pos.xTab) + roundToPixel(prefixWidth(cell.text, pos.xChar)),
            lines.weiacc(pos.yLine)};
}

PixelPoint CLBox::posToXYScrmov(const CLPos& pos) {
    const PixelPoint at = posToXY(pos);
    return {at.x - roundToPixel(scrmovX), at.y - roundToPixel(scrmovY)};
}
