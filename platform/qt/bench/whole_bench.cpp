// whole_bench FILE: the whole program on one file, offscreen, in a 1920 x 1080 window:
// opening to the first drawn frame, the memory that took, one keystroke half-way down the
// document and one glide tick. Prints one "figure value" line per figure for
// scripts/bench-whole.sh, which runs the toolkit's own text editor beside it.
#include "EditorWindow.h"
#include "QtHost.h"
#include "QtSurface.h"
#include "benchfigures.h"
#include "qtstrings.h"
#include "window/frmEditor.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int32_t windowWidth = 1920, windowHeight = 1080;
constexpr int keystrokes = 200, ticks = 200;
constexpr int mostSettlingTicks = 5000;

// Failures go to stderr and fail the run: a benchmark of a failed load would measure nothing.
class BenchHost : public WindowHost {
public:
    using WindowHost::WindowHost;
    void reportError(const std::u16string& message, const std::u16string&) override {
        std::fprintf(stderr, "whole_bench: %s\n", qPrintable(toQString(message)));
        std::exit(1);
    }
};

void settle(frmEditor& form) {
    for (int tick = 0; form.box().moving && tick < mostSettlingTicks; ++tick)
        form.onTick();
}

// The cursor on the first line of text half-way down the document, in the middle of the
// view, so that typing there neither changes the line's height nor scrolls.
void placeCursorHalfWay(frmEditor& form) {
    CLBox& box = form.box();
    box.cursor = CLPos{};
    box.cursor.yLine = box.lines.size() / 2;
    while (box.cursor.yLine + 1 < box.lines.size() && box.lines.at(box.cursor.yLine)->isEmptyLine)
        ++box.cursor.yLine;
    box.scrY = std::max(0, box.lines.weiacc(box.cursor.yLine) - box.viewHeight / 2);
    box.moving = true;
    settle(form);
}

// A typed letter, then Backspace, each through the window's own key handling: key press,
// insertChar and the drawing of the frame. The frame reaches the screen from the event
// loop, which never runs here, so presenting is left out.
double keystrokeMilliseconds(EditorWindow& window, const int& frames) {
    std::vector<double> times;
    const int framesBefore = frames;
    for (int k = 0; k < keystrokes; ++k) {
        const bool typing = k % 2 == 0;
        QKeyEvent press(QEvent::KeyPress, typing ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                        typing ? QStringLiteral("x") : QStringLiteral("\b"));
        const bench::Stopwatch stopwatch;
        QCoreApplication::sendEvent(&window, &press);
        times.push_back(stopwatch.milliseconds());
    }
    if (frames - framesBefore != keystrokes) // a glide would draw later, unmeasured
        std::fprintf(stderr, "whole_bench: %d of %d keystrokes drew a frame\n",
                     frames - framesBefore, keystrokes);
    return bench::median(times);
}

// Ticks of a long glide down and back, each drawing a whole new frame.
double glideTickMilliseconds(frmEditor& form) {
    CLBox& box = form.box();
    const int32_t documentHeight = box.lines.weiacc(box.lines.size());
    const int32_t top = box.scrY;
    std::vector<double> times;
    for (int k = 0; k < ticks; ++k) {
        box.scrY = k % 40 < 20 ? std::min(top + 20000, documentHeight) : std::max(top - 20000, 0);
        box.moving = true;
        const bench::Stopwatch stopwatch;
        form.onTick();
        times.push_back(stopwatch.milliseconds());
    }
    return bench::median(times);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: whole_bench FILE\n");
        return 2;
    }
    const double fileMegabytes = bench::fileMegabytes(argv[1]);

    QtSurface surface(windowWidth, windowHeight);
    BenchHost host(surface, commandLineOf({QFile::decodeName(argv[1])}));
    frmEditor form(host);
    EditorWindow window(surface, form, host);
    host.attach(window);
    int frames = 0;
    surface.onPresent = [&frames] { ++frames; }; // nothing reaches a screen here

    const double residentBefore = bench::peakResidentMegabytes();
    const bench::Stopwatch opening;
    form.onLoad();
    form.onResize(windowWidth, windowHeight); // the first frame: the window's first resize
    const double openMilliseconds = opening.milliseconds();
    const double residentPeak = bench::peakResidentMegabytes();

    bench::print("lines", form.box().lines.size());
    bench::print("open_ms", openMilliseconds);
    bench::print("open_MBps", fileMegabytes / (openMilliseconds / 1000));
    bench::print("memory_MB_per_MB", (residentPeak - residentBefore) / fileMegabytes);
    settle(form);
    placeCursorHalfWay(form);
    bench::print("keystroke_ms", keystrokeMilliseconds(window, frames));
    bench::print("glide_tick_ms", glideTickMilliseconds(form));
    return 0;
}
