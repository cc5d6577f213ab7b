#pragma once

// The editing figures of the whole-program benchmark on each platform: one keystroke half-way
// through the document and one glide tick, each through the window's own handling, which the
// platform's benchmark passes in.

#include "bench/whole/benchfigures.h"
#include "window/frmEditor.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

constexpr int mostSettlingTicks = 5000;
constexpr int lineEditRounds = 21;

inline void settle(frmEditor& form) {
    for (int tick = 0; form.box().moving && tick < mostSettlingTicks; ++tick)
        form.onTick();
}

// The widest cell of a line wider than the view, or -1 where the line fits.
inline int32_t widestCellOfLongLine(const CLBox& box, const CLLine& line) {
    int64_t lineWidth = 0;
    int32_t widest = 0;
    for (int32_t i = 0; i < line.tabs.size(); ++i) {
        lineWidth += line.tabs.at(i)->innerWidth;
        if (line.tabs.at(i)->innerWidth > line.tabs.at(widest)->innerWidth)
            widest = i;
    }
    return lineWidth > box.viewWidth ? widest : -1;
}

// The cursor on the first line of text half-way down the document, in the middle of the
// view, so that typing there neither changes the line's height nor scrolls. On a line wider
// than the view (a file of one long line, say) it stands half-way along the line's widest
// cell, the view scrolled to it: the frames then start deep inside the cell.
inline void placeCursorHalfWay(frmEditor& form) {
    CLBox& box = form.box();
    box.cursor = CLPos{};
    box.cursor.yLine = box.lines.size() / 2;
    while (box.cursor.yLine + 1 < box.lines.size() && box.lines.at(box.cursor.yLine)->isEmptyLine)
        ++box.cursor.yLine;
    const CLLine& line = *box.lines.at(box.cursor.yLine);
    if (const int32_t widest = widestCellOfLongLine(box, line); widest >= 0) {
        box.cursor.xTab = widest;
        box.cursor.xChar = static_cast<int32_t>(line.tabs.at(widest)->text.size() / 2);
        box.scrX = std::max(0, box.posToXY(box.cursor).x - box.viewWidth / 2);
    }
    box.scrY = std::max(0, box.lines.weiacc(box.cursor.yLine) - box.viewHeight / 2);
    box.moving = true;
    settle(form);
}

// pressKey(typing) sends a letter (typing) or Backspace; each must draw its frame at once.
template <class PressKey> double keystrokeMilliseconds(frmEditor& form, PressKey&& pressKey) {
    int gliding = 0;
    const double milliseconds = medianMilliseconds(keystrokes, [&](int keystroke) {
        pressKey(typesLetter(keystroke));
        gliding += form.box().moving ? 1 : 0;
    });
    if (gliding > 0) // a glide draws later, unmeasured
        std::fprintf(stderr, "whole_bench: %d of %d keystrokes drew no frame\n", gliding,
                     keystrokes);
    return milliseconds;
}

// Ticks of a long glide down and back, each drawing a whole new frame.
template <class Tick> double glideTickMilliseconds(frmEditor& form, Tick&& tick) {
    CLBox& box = form.box();
    const int32_t documentHeight = box.lines.weiacc(box.lines.size());
    const int32_t top = box.scrY;
    return medianMilliseconds(ticks, [&](int round) {
        box.scrY =
            round % 40 < 20 ? std::min(top + 20000, documentHeight) : std::max(top - 20000, 0);
        box.moving = true;
        tick();
    });
}

struct SplitAndJoin {
    double enterMilliseconds = 0;
    double joinMilliseconds = 0;
    double firstEnterMilliseconds = 0; // where the edit before was elsewhere
};

// Enter at the start of a line, then Backspace joining it to the line before again, each
// timed alone through the window's key handling. The view is left gliding, so that neither
// draws a frame: only the edit counts.
inline SplitAndJoin splitAndJoin(frmEditor& form, int32_t line) {
    std::vector<double> enters, joins;
    const auto timedKey = [&](KeyCode key, std::vector<double>& times) {
        form.box().moving = true;
        const Stopwatch stopwatch;
        form.onKeyDown(key, ShiftMask::None);
        times.push_back(stopwatch.milliseconds());
    };
    for (int round = 0; round < lineEditRounds; ++round) {
        form.box().cursor = CLPos{line, 0, 0};
        timedKey(KeyCode::Enter, enters);
        timedKey(KeyCode::Backspace, joins);
    }
    settle(form);
    return {median(enters), median(joins), enters.front()};
}

// Splitting and joining lines near the top and at the end: the lines' running sums must
// not make the first cost more than the second.
inline void printLineEdits(frmEditor& form) {
    const int32_t last = form.box().lines.size() - 1;
    const SplitAndJoin top = splitAndJoin(form, std::min(10, last));
    const SplitAndJoin end = splitAndJoin(form, last);
    print("enter_top_ms", top.enterMilliseconds);
    print("enter_top_first_ms", top.firstEnterMilliseconds);
    print("join_top_ms", top.joinMilliseconds);
    print("enter_end_ms", end.enterMilliseconds);
    print("join_end_ms", end.joinMilliseconds);
}

// The figures after opening: the glide of the open settled, the cursor placed half-way.
template <class PressKey, class Tick>
void printEditing(frmEditor& form, PressKey&& pressKey, Tick&& tick) {
    settle(form);
    placeCursorHalfWay(form);
    print("keystroke_ms", keystrokeMilliseconds(form, pressKey));
    print("glide_tick_ms", glideTickMilliseconds(form, tick));
    printLineEdits(form);
}

} // namespace bench
