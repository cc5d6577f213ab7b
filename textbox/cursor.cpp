#include "support/Utf16.h"
#include "textbox/CLBox.h"
#include "textbox/position.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

int32_t clampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

void moveRight(CLBox& box, CLPos& pos) {
    if (const std::optional<CLPos> next = positionRightOf(box, pos))
        pos.copyfrom(*next);
    else
        beep(box);
    pos.xPosMem = -1;
}

void moveLeft(CLBox& box, const CLTab& cell, CLPos& pos) {
    if (pos.xChar != 0) {
        pos.xChar -= unitsBefore(cell.text, pos.xChar);
    } else if (pos.xTab != 0) {
        pos.xTab -= 1;
        pos.xChar = textLength(*box.lines.at(pos.yLine)->tabs.at(pos.xTab));
    } else if (pos.yLine == 0) {
        beep(box);
    } else {
        const CLLine& above = *box.lines.at(pos.yLine - 1);
        pos.yLine -= 1;
        pos.xTab = above.tabs.size() - 1;
        pos.xChar = textLength(*above.tabs.at(pos.xTab));
    }
    pos.xPosMem = -1;
}

// Moves to the document row docYOffset away from the top of the position's line, at
// the remembered x, remembering the x the position started from on its first move.
void moveToRow(CLBox& box, CLPos& pos, int64_t docYOffset) {
    const PixelPoint from = box.posToXY(pos);
    const int32_t docX = pos.xPosMem != -1 ? pos.xPosMem : from.x;
    pos.copyfrom(box.XYToPos(docX, clampToInt32(from.y + docYOffset), false));
    pos.xPosMem = docX;
}

void moveDown(CLBox& box, CLPos& pos, int64_t distance) {
    if (pos.yLine == box.lines.size() - 1)
        beep(box);
    else
        moveToRow(box, pos, distance);
}

void moveUp(CLBox& box, CLPos& pos, int64_t distance) {
    if (pos.yLine == 0)
        beep(box);
    else
        moveToRow(box, pos, -distance);
}

int32_t firstTextCell(const CLLine& line) {
    int32_t k = 0;
    while (k < line.tabs.size() && line.tabs.at(k)->text.empty())
        ++k;
    return k;
}

// From inside the text, first to where the text starts, then to the line's start.
void moveHome(const CLLine& line, CLPos& pos) {
    const int32_t k = firstTextCell(line);
    const bool beyondTextStart = k < pos.xTab || (k == pos.xTab && pos.xChar != 0);
    pos.xTab = beyondTextStart ? k : 0;
    pos.xChar = 0;
    pos.xPosMem = -1;
}

void moveToLineEnd(const CLLine& line, CLPos& pos) {
    pos.xTab = line.tabs.size() - 1;
    pos.xChar = textLength(*line.tabs.at(pos.xTab));
    pos.xPosMem = -1;
}

void moveToTextEnd(const CLBox& box, CLPos& pos) {
    pos.yLine = box.lines.size() - 1;
    moveToLineEnd(*box.lines.at(pos.yLine), pos);
}

void moveToTextStart(CLPos& pos) {
    pos.copyfrom(CLPos{});
    pos.xPosMem = -1;
}

// Scrolls along one axis so that [start, start + extent) is in a view of viewExtent,
// the near edge winning when it does not fit; true when the target moved.
bool bringIntoView(int32_t& scroll, int32_t start, int32_t extent, int32_t viewExtent) {
    if (start < scroll) {
        scroll = start;
        return true;
    }
    const int64_t end = static_cast<int64_t>(start) + extent;
    if (end > static_cast<int64_t>(scroll) + viewExtent) {
        scroll = clampToInt32(end - viewExtent);
        return true;
    }
    return false;
}

// The lowest scroll target: the text's last line at the view's bottom edge, or the top
// of a text shorter than the view.
int32_t lowestScrollY(int32_t textHeight, int32_t viewHeight) {
    return textHeight < viewHeight ? 0 : textHeight - viewHeight;
}

// The view never scrolls past the end of the text, and a text shorter than the view
// stands at its top.
bool keepTextBottomInView(int32_t& scrY, int32_t textHeight, int32_t viewHeight) {
    const int32_t lowest = lowestScrollY(textHeight, viewHeight);
    const bool pulled = textHeight < viewHeight ? scrY != 0 : scrY > lowest;
    scrY = pulled ? lowest : scrY;
    return pulled;
}

} // namespace

// An unknown direction moves nothing; the view still follows.
void CLBox::cursorMove(CLPos& pos, CursorDirection dire) {
    const CLTab& cell = cellAt(*this, pos);
    const CLLine& line = *lines.at(pos.yLine);
    switch (dire) {
    case CursorDirection::Right:
        moveRight(*this, pos);
        break;
    case CursorDirection::Left:
        moveLeft(*this, cell, pos);
        break;
    case CursorDirection::Down:
        moveDown(*this, pos, line.height);
        break;
    case CursorDirection::Up:
        moveUp(*this, pos, 1);
        break;
    case CursorDirection::PageDown:
        moveDown(*this, pos, viewHeight);
        break;
    case CursorDirection::PageUp: // the line's own height keeps it just in view at the bottom
        moveUp(*this, pos, static_cast<int64_t>(viewHeight) - line.height + 1);
        break;
    case CursorDirection::End:
        moveToLineEnd(line, pos);
        break;
    case CursorDirection::Home:
        moveHome(line, pos);
        break;
    case CursorDirection::TextEnd:
        moveToTextEnd(*this, pos);
        break;
    case CursorDirection::TextStart:
        moveToTextStart(pos);
        break;
    default:
        break;
    }
    viewFollow(pos);
}

// No margins: the line lands exactly on the top or bottom edge, and x on the left
// edge or one pixel inside the right one.
void CLBox::viewFollow(const CLPos& pos) {
    const CLLine& line = *lines.at(pos.yLine);
    const PixelPoint docPoint = posToXY(pos);
    const bool movedX = bringIntoView(scrX, docPoint.x, 1, viewWidth);
    const bool movedY = bringIntoView(scrY, docPoint.y, line.height, viewHeight);
    const bool pulledBack = keepTextBottomInView(scrY, lines.weiacc(lines.size()), viewHeight);
    if (movedX || movedY || pulledBack)
        moving = true;
}

void CLBox::scrollBy(int64_t docX, int64_t docY) {
    const int32_t lowest = lowestScrollY(lines.weiacc(lines.size()), viewHeight);
    const int32_t newX = clampToInt32(std::max<int64_t>(0, scrX + docX));
    const auto newY = static_cast<int32_t>(std::clamp<int64_t>(scrY + docY, 0, lowest));
    if (newX == scrX && newY == scrY)
        return;
    scrX = newX;
    scrY = newY;
    moving = true;
}
