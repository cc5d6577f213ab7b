#include "textbox/CLBox.h"

#include "support/Rounding.h"
#include "support/Utf16.h"
#include "textbox/position.h"

#include <algorithm>
#include <limits>
#include <string>

namespace {

// Measuring on an empty line happens in its smaller font. The box's font size is put
// back however the measuring ends; a failure to put it back is reported, except while
// another error is already on its way out.
class LineFontScope {
public:
    LineFontScope(Surface& target, double lineSize, double boxSize)
        : surface(target), restoreSize(boxSize), changed(lineSize != boxSize) {
        if (changed)
            surface.setFontSize(lineSize);
    }
    LineFontScope(const LineFontScope&) = delete;
    LineFontScope& operator=(const LineFontScope&) = delete;
    ~LineFontScope() {
        try {
            restore();
        } catch (...) { // already failing: the first error is the one to report
        }
    }
    void restore() {
        if (!changed)
            return;
        changed = false;
        surface.setFontSize(restoreSize);
    }

private:
    Surface& surface;
    double restoreSize;
    bool changed;
};

// index kept inside 0 .. count - 1; there is nothing to keep it in when count is 0.
int32_t clampIndex(int32_t index, int32_t count, const char* what) {
    if (count <= 0)
        raiseOutOfRange(std::string("a position in ") + what);
    return std::clamp(index, 0, count - 1);
}

// A coordinate moved by a scroll offset; far outside points saturate instead of wrapping.
int32_t shiftedBy(int32_t v, int64_t shift) {
    return static_cast<int32_t>(std::clamp<int64_t>(v + shift, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

CLPos CLBox::XYToPos(int32_t x, int32_t y, bool yonly) {
    CLPos pos;
    pos.yLine = clampIndex(lines.atwei(y), lines.size(), "an empty document");
    if (yonly)
        return pos;
    const CLLine& line = *lines.at(pos.yLine);
    pos.xTab = clampIndex(line.tabs.atwei(x), line.tabs.size(), "a line without cells");
    const CLTab& cell = *line.tabs.at(pos.xTab);
    const int32_t xr = x - line.tabs.weiacc(pos.xTab);
    const auto length = static_cast<int32_t>(cell.text.size());
    LineFontScope font(surface(), lineFontSize(line), fontSize);
    pos.xChar = characterAt(cell.text, xr);
    const bool rightOfText = prefixWidth(cell.text, length) < xr; // not on its last character
    font.restore();
    const bool lastCell = pos.xTab == line.tabs.size() - 1;
    if (pos.xChar == length && rightOfText && !lastCell && cell.width - xr < xr - cell.innerWidth) {
        ++pos.xTab; // nearer the next column than the end of this text
        pos.xChar = 0;
    }
    return pos;
}

// The character boundary nearest to xr within text, a point on a character's middle
// counting to the left; a surrogate pair is one character. In a long text the search
// keeps to the piece that reaches xr first.
int32_t CLBox::characterAt(const CellText& text, int32_t xr) {
    const auto length = static_cast<int32_t>(text.size());
    int32_t lo = 0, hi = length;
    const TextPieces* const pieces = measuredPieces(text); // once for the whole search
    if (pieces != nullptr) {
        const TextPieces::Start start = pieces->pieceReachingX(xr);
        lo = static_cast<int32_t>(start.unit);
        hi = std::min(length, static_cast<int32_t>(start.unit + pieces->all()[start.index].units));
    }
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (xr > prefixWidth(text, pieces, mid + 1))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == length)
        return length;
    const int32_t start = characterStart(text, lo);
    const int32_t end = start + std::max(unitsAfter(text, start), 1);
    const double wl = prefixWidth(text, pieces, start), wr = prefixWidth(text, pieces, end);
    return xr - wl > wr - xr ? end : start;
}

double CLBox::prefixWidth(const CellText& text, int32_t units) {
    return prefixWidth(text, measuredPieces(text), units);
}

// A long text adds the pieces before the one that holds the prefix's end.
double CLBox::prefixWidth(const CellText& text, const TextPieces* pieces, int32_t units) {
    if (units <= 0)
        return 0.0;
    const auto end = static_cast<size_t>(units);
    if (pieces != nullptr) {
        const TextPieces::Start start = pieces->pieceOfUnit(end);
        const std::u16string_view rest = text.slice(start.unit, end - start.unit);
        return start.x + surface().advancesWidth(rest).value_or(surface().textWidth(rest));
    }
    return surface().textWidth(text.view().substr(0, end));
}

CLPos CLBox::XYscrmovToPos(int32_t x, int32_t y, bool yonly) {
    return XYToPos(shiftedBy(x, roundToPixel(scrmovX)), shiftedBy(y, roundToPixel(scrmovY)), yonly);
}

PixelPoint CLBox::posToXY(const CLPos& pos) {
    const CLLine& line = *lines.at(pos.yLine);
    const CLTab& cell = *line.tabs.at(pos.xTab);
    requireCharacterIn(cell, pos.xChar);
    LineFontScope font(surface(), lineFontSize(line), fontSize);
    const int32_t textWidth = roundToPixel(prefixWidth(cell.text, pos.xChar));
    font.restore();
    return {shiftedBy(textWidth, line.tabs.weiacc(pos.xTab)), lines.weiacc(pos.yLine)};
}

PixelPoint CLBox::posToXYScrmov(const CLPos& pos) {
    const PixelPoint at = posToXY(pos);
    return {shiftedBy(at.x, -static_cast<int64_t>(roundToPixel(scrmovX))),
            shiftedBy(at.y, -static_cast<int64_t>(roundToPixel(scrmovY)))};
}
