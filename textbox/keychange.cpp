#include "support/Utf16.h"
#include "textbox/position.h"
#include "textbox/textrange.h"

#include <memory>
#include <optional>

namespace {

constexpr char32_t Backspace = 8, Tab = 9, Enter = 13;

// What insertChar changes at a position: the text from start to removedEnd before the
// edit gives way to the text from start to insertedEnd after it.
struct EditRegion {
    CLPos start;
    CLPos removedEnd;
    CLPos insertedEnd;
};

// pos is not the text's start. A joined line keeps the upper line's end, so the lower
// line's text moves in front of that end, unless the lower line was the last.
EditRegion backspaceRegion(const CLBox& box, const CLPos& pos) {
    const CLLine& line = *box.lines.at(pos.yLine);
    if (pos.xChar != 0) {
        CLPos start = pos;
        start.xChar -= unitsBefore(line.tabs.at(pos.xTab)->text, pos.xChar);
        return {start, pos, start};
    }
    if (pos.xTab != 0) {
        const CLPos start{pos.yLine, pos.xTab - 1, textLength(*line.tabs.at(pos.xTab - 1))};
        return {start, pos, start};
    }
    const CLLine& above = *box.lines.at(pos.yLine - 1);
    const int32_t joinTab = above.tabs.size() - 1;
    const CLPos start{pos.yLine - 1, joinTab, textLength(*above.tabs.at(joinTab))};
    if (pos.yLine == box.lines.size() - 1)
        return {start, pos, start};
    return {start, CLPos{pos.yLine + 1, 0, 0}, CLPos{pos.yLine, 0, 0}};
}

// None for an edit that changes nothing: Backspace at the text's start, a code that is
// neither a key's nor typable.
std::optional<EditRegion> regionOf(const CLBox& box, char32_t code, const CLPos& pos) {
    if (code == Backspace) {
        if (samePlace(pos, CLPos{}))
            return std::nullopt;
        return backspaceRegion(box, pos);
    }
    if (code == Tab)
        return EditRegion{pos, pos, {pos.yLine, pos.xTab + 1, 0}};
    if (code == Enter)
        return EditRegion{
            pos, pos, {pos.yLine + 1, leadingEmptyCells(*box.lines.at(pos.yLine), pos.xTab), 0}};
    if (!CLBox::isTypable(code))
        return std::nullopt;
    CLPos end = pos;
    end.xChar += code > 0xFFFF ? 2 : 1;
    return EditRegion{pos, pos, end};
}

} // namespace

void keyEdit(CLBox& box, char32_t code, CLPos& pos, const TextChangeSink& told) {
    cellAt(box, pos); // checked, and moved off the middle of a pair, as insertChar moves it
    const std::optional<EditRegion> region = regionOf(box, code, pos);
    if (!region) {
        box.insertChar(code, pos); // a beep, or nothing at all
        return;
    }
    auto removed =
        std::make_shared<const TextFragment>(textBetween(box, region->start, region->removedEnd));
    const uint64_t revision = box.revision;
    const auto tell = [&] {
        told({region->start, removed,
              std::make_shared<const TextFragment>(
                  textBetween(box, region->start, region->insertedEnd))});
    };
    try {
        box.insertChar(code, pos);
    } catch (...) {
        // The text is changed whole before anything that can fail afterwards (measuring),
        // so the region still describes it; the failure told is the edit's own.
        if (box.revision != revision) {
            try {
                tell();
            } catch (...) {
            }
        }
        throw;
    }
    if (box.revision != revision)
        tell();
}

void deleteForward(CLBox& box, CLPos& pos, const TextChangeSink& told) {
    cellAt(box, pos);
    std::optional<CLPos> next = positionRightOf(box, pos);
    if (!next) {
        beep(box);
        pos.xPosMem = -1;
        box.viewFollow(pos);
        return;
    }
    keyEdit(box, Backspace, *next, told); // which leaves next where pos stands
    pos.copyfrom(*next);
    pos.xPosMem = -1;
}
