#include "textbox/CLBox.h"

#include "support/Utf16.h"
#include "support/modClock.h"
#include "textbox/selection.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace {

// Past this many units a cell the selection holds in part is printed in one colour, that of
// its first unit's side, so that a frame never measures a long line's prefixes.
constexpr int32_t longestRecolouredCell = 4096;

enum class Report { Off, On };

// One named timing section. It closes on every path, so a surface that fails halfway
// through a frame leaves no stopwatch open for the next one.
class TimedSection {
public:
    explicit TimedSection(std::string_view sectionLabel, Report sectionReport = Report::Off)
        : label(sectionLabel), report(sectionReport) {
        modClock::clockStart(label);
    }
    TimedSection(const TimedSection&) = delete;
    TimedSection& operator=(const TimedSection&) = delete;
    ~TimedSection() {
        if (open) {
            try {
                modClock::clockStop(label, false);
            } catch (...) { // unwinding already: the first failure is the one to report
            }
        }
    }
    void stop() {
        open = false;
        modClock::clockStop(label, report == Report::On);
    }

private:
    std::string_view label;
    Report report;
    bool open = true;
};

// The first cell whose right edge lies right of the view's left edge: the cells before
// it are wholly off to the left, and finding it costs no walk along a long line.
int32_t firstCellRightOf(const OArray<CLTab>& tabs, double viewLeft) {
    if (viewLeft < 0)
        return 0;
    return tabs.atwei(static_cast<int32_t>(viewLeft)); // floor: edges are whole pixels
}

// The document x span the selection covers on line l, its line end shown as a space's
// width past the last cell, or the whole elastic width of a block's cells there; none
// where it covers nothing of the line.
struct SelectedSpan {
    double left = 0, right = 0;
    bool covers(double x0, double x1) const { return left <= x0 && x1 <= right; }
};
std::optional<SelectedSpan> blockSpanOn(const CellBlock& block, const OArray<CLTab>& tabs,
                                        int32_t l) {
    if (l < block.firstLine || l > block.lastLine || tabs.size() <= block.firstCell)
        return std::nullopt;
    const SelectedSpan span{
        static_cast<double>(tabs.weiacc(block.firstCell)),
        static_cast<double>(tabs.weiacc(std::min(block.lastCell, tabs.size() - 1) + 1))};
    return span.right > span.left ? std::optional(span) : std::nullopt;
}
std::optional<SelectedSpan> selectedSpanOn(CLBox& box, int32_t l) {
    if (box.selectedBlock)
        return blockSpanOn(*box.selectedBlock, box.lines.at(l)->tabs, l);
    if (!box.selectionAnchor) // the usual case, on every line of every frame
        return std::nullopt;
    const std::optional<TextRange> range = selectedRange(box);
    if (!range || l < range->start.yLine || l > range->end.yLine)
        return std::nullopt;
    const OArray<CLTab>& tabs = box.lines.at(l)->tabs;
    const SelectedSpan span{
        l == range->start.yLine ? static_cast<double>(box.posToXY(range->start).x) : 0.0,
        l == range->end.yLine ? static_cast<double>(box.posToXY(range->end).x)
                              : static_cast<double>(tabs.weiacc(tabs.size())) + box.spaceWidth};
    return span.right > span.left ? std::optional(span) : std::nullopt;
}

// The units [first, end) of cell i of line l that the selection holds.
struct UnitSpan {
    int32_t first = 0, end = 0;
};
std::optional<UnitSpan> selectedUnitsOf(CLBox& box, int32_t l, int32_t i, int32_t size) {
    const std::optional<TextRange> range = selectedRange(box);
    if (!range)
        return std::nullopt;
    const auto unitsBefore = [&](const CLPos& at) {
        if (at.yLine != l)
            return at.yLine < l ? 0 : size;
        if (at.xTab != i)
            return at.xTab < i ? 0 : size;
        return at.xChar;
    };
    const UnitSpan span{unitsBefore(range->start), unitsBefore(range->end)};
    return span.end > span.first ? std::optional(span) : std::nullopt;
}

} // namespace

void CLBox::render() {
    Surface& target = surface();
    target.processPendingEvents();
    {
        TimedSection all("all", Report::On);
        {
            TimedSection section("cache");
            followDensity();
            updateCache();
            section.stop();
        }
        int32_t first = 0, end = 0;
        {
            TimedSection section("camera");
            if (lines.size() > 0) {
                first = XYscrmovToPos(0, 0, true).yLine;
                end = XYscrmovToPos(0, viewHeight, true).yLine;
                if (end < lines.size())
                    ++end;
            }
            section.stop();
        }
        {
            TimedSection section("update");
            updateWidth(first, end);
            section.stop();
        }
        {
            TimedSection section("prepare");
            target.hide();
            target.setColours(colours.window, colours.text);
            target.clear();
            section.stop();
        }
        {
            TimedSection section("tabs");
            for (int32_t l = first; l < end; ++l)
                drawLine(l);
            section.stop();
        }
        {
            TimedSection section("final");
            drawCursor();
            target.show();
            section.stop();
        }
        all.stop();
    }
    target.processPendingEvents();
}

double CLBox::lineFontSize(const CLLine& line) const {
    return line.isEmptyLine ? static_cast<double>(options.emptyHeight) * fontSize : fontSize;
}

void CLBox::drawLine(int32_t l) {
    Surface& target = surface();
    const CLLine& line = *lines.at(l);
    const std::optional<SelectedSpan> selected = selectedSpanOn(*this, l); // measures: font first
    target.setFontSize(lineFontSize(line));
    const double y0 = lines.weiacc(l) - scrmovY;
    const double y1 = lines.weiacc(l + 1) - scrmovY;
    const double viewRight = viewWidth + scrmovX;
    const int32_t last = line.tabs.size() - 1;
    if (selected)
        target.fillRect(selected->left - scrmovX, y0, selected->right - scrmovX - 1, y1 - 1,
                        colours.selection);
    for (int32_t i = firstCellRightOf(line.tabs, scrmovX); i <= last; ++i) {
        const double x0 = line.tabs.weiacc(i);
        if (x0 >= viewRight)
            break; // left edges only grow along the line
        const double x1 = line.tabs.weiacc(i + 1);
        if (x1 <= scrmovX)
            continue;
        const CLTab& cell = *line.tabs.at(i);
        if (!cell.text.empty()) {
            printCell(l, i, x0, y0);
        } else if (i != last) {
            const bool inSelection = selected && selected->covers(x0, x1);
            const int32_t tint = i % 2 == 1
                                     ? (inSelection ? colours.selectedTintOdd : colours.tintOdd)
                                     : (inSelection ? colours.selectedTintEven : colours.tintEven);
            target.fillRect(x0 - scrmovX, y0, x1 - scrmovX - 1, y1 - 1, tint);
        }
    }
}

// Where the selected text has a colour of its own, what the selection holds of the cell is
// printed in it, the rest in the text's.
void CLBox::printCell(int32_t l, int32_t i, double cellLeft, double y) {
    Surface& target = surface();
    const CellText& text = lines.at(l)->tabs.at(i)->text;
    const int32_t size = static_cast<int32_t>(text.size());
    const std::optional<UnitSpan> selected = colours.selectedText != colours.text && selectionAnchor
                                                 ? selectedUnitsOf(*this, l, i, size)
                                                 : std::nullopt;
    target.setDrawingPosition(cellLeft - scrmovX, y);
    if (!selected) {
        printInView(text, cellLeft);
        return;
    }
    if ((selected->first == 0 && selected->end == size) || size > longestRecolouredCell) {
        target.setColours(colours.window,
                          selected->first == 0 ? colours.selectedText : colours.text);
        printInView(text, cellLeft);
        target.setColours(colours.window, colours.text);
        return;
    }
    const std::u16string_view whole = text.view();
    const std::array<int32_t, 4> bounds{0, selected->first, selected->end, size};
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        if (bounds[k] == bounds[k + 1])
            continue;
        const double partLeft = posToXY(CLPos{l, i, bounds[k]}).x;
        target.setColours(colours.window, k == 1 ? colours.selectedText : colours.text);
        target.setDrawingPosition(partLeft - scrmovX, y);
        target.print(whole.substr(static_cast<size_t>(bounds[k]),
                                  static_cast<size_t>(bounds[k + 1] - bounds[k])));
    }
    target.setColours(colours.window, colours.text);
}

// A long text measured by advances is printed from a little left of the view to a little
// right of it, what lies between drawn as the whole would draw it; a glyph's ink stays
// within a line height of its place. Its first character is found piece by piece.
void CLBox::printInView(const CellText& text, double cellLeft) {
    Surface& target = surface();
    const TextPieces* pieces = measuredPieces(text);
    if (pieces == nullptr) {
        target.print(text);
        return;
    }
    const double reach = 2.0 * lineHeight;
    const double left = scrmovX - cellLeft - reach, right = scrmovX + viewWidth - cellLeft + reach;
    const size_t length = text.size();
    const auto advance = [&](size_t unit) {
        return target.advancesWidth(text.slice(unit, 1)).value_or(0);
    };
    TextPieces::Start start = pieces->pieceOfX(std::max(left, 0.0));
    size_t first = start.unit;
    double before = start.x;
    for (double next = before; first < length; before = next, ++first) {
        next += advance(first);
        if (next > left)
            break;
    }
    if (first > 0 && insideSurrogatePair(text, static_cast<int32_t>(first))) {
        --first;
        before -= advance(first);
    }
    size_t end = first;
    for (double x = before; end < length && x < right; ++end)
        x += advance(end);
    if (end < length && insideSurrogatePair(text, static_cast<int32_t>(end)))
        ++end;
    if (end > first)
        target.printPart(text.slice(first, end - first), before);
}

void CLBox::drawCursor() {
    Surface& target = surface();
    target.setFontSize(fontSize);
    if (lines.size() == 0)
        return;
    const PixelPoint at = posToXYScrmov(cursor);
    const bool onEmptyLine = lines.at(cursor.yLine)->isEmptyLine;
    const double height = onEmptyLine ? static_cast<double>(options.emptyHeight) * lineHeight
                                      : static_cast<double>(lineHeight);
    target.line(at.x, at.y, at.x, at.y + height, colours.cursor);
    target.setDrawingPosition(at.x, at.y);
}
