// whole_bench [--open-only | --opening] FILE: the whole program on one file, offscreen, in a
// 1920 x 1080 window: opening to the first drawn frame, the memory that took, one keystroke
// half-way through the document, one glide tick, and splitting and joining a line near the
// top and at the end. Prints one "figure value" line per figure for scripts/bench-whole.sh,
// which runs the toolkit's own text editor beside it. --open-only prints nothing and ends
// after the first frame, as the program does when closed then: the script times the whole
// process so. --opening prints the figures of opening only.
#include "EditorWindow.h"
#include "QtHost.h"
#include "QtSurface.h"
#include "bench/whole/editorfigures.h"
#include "peakmemory.h"
#include "qtstrings.h"
#include "window/frmEditor.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Failures go to stderr and fail the run: a benchmark of a failed load would measure nothing.
// It keeps no recovery files, which would stay behind in the user's data folder.
class BenchHost : public WindowHost {
public:
    using WindowHost::WindowHost;
    std::u16string recoveryFolder() override { return {}; }
    void reportError(const std::u16string& message, const std::u16string&) override {
        std::fprintf(stderr, "whole_bench: %s\n", qPrintable(toQString(message)));
        std::exit(1);
    }
};

// A key press through the window's own key handling: the edit and the drawing of the frame.
// The frame reaches the screen from the event loop, which never runs here, so presenting is
// left out.
void pressKey(EditorWindow& window, bool typing) {
    QKeyEvent press(QEvent::KeyPress, typing ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                    typing ? QStringLiteral("x") : QStringLiteral("\b"));
    QCoreApplication::sendEvent(&window, &press);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const bool openOnly = argc == 3 && std::strcmp(argv[1], "--open-only") == 0;
    const bool openingOnly = argc == 3 && std::strcmp(argv[1], "--opening") == 0;
    if (argc != (openOnly || openingOnly ? 3 : 2)) {
        std::fprintf(stderr, "usage: whole_bench [--open-only | --opening] FILE\n");
        return 2;
    }
    const char* const path = argv[argc - 1];
    const double fileMegabytes = bench::fileMegabytes(path);

    QtSurface surface(bench::windowWidth, bench::windowHeight);
    BenchHost host(surface);
    frmEditor form(host);
    EditorWindow window(surface, form);
    host.attach(window);

    const double residentBefore = bench::peakResidentMegabytes();
    const bench::Stopwatch opening;
    form.onLoadFile(toU16String(QFile::decodeName(path)));
    form.onResize(bench::windowWidth, bench::windowHeight); // the first frame: the first resize
    if (openOnly)
        return 0;
    const double openMilliseconds = opening.milliseconds();
    bench::printOpening(form.box().lines.size(), fileMegabytes, openMilliseconds,
                        bench::peakResidentMegabytes() - residentBefore);
    if (openingOnly)
        return 0;
    bench::printEditing(
        form, [&](bool typing) { pressKey(window, typing); }, [&] { form.onTick(); });
    return 0;
}
