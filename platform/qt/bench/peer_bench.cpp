// peer_bench FILE: the toolkit's own plain-text editor on the same file, window size, font
// and figures as whole_bench, for comparison: reading and decoding the file, handing it over,
// the first frame; memory; a keystroke half-way down and repainting; one scroll step drawn.
#include "bench/whole/benchfigures.h"
#include "peakmemory.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Draws the whole window into an image, as a paint event would before it reaches the screen.
void drawFrame(QPlainTextEdit& editor, QImage& frame) {
    QPainter painter(&frame);
    editor.render(&painter);
}

double keystrokeMilliseconds(QPlainTextEdit& editor, QImage& frame) {
    QTextCursor cursor(editor.document()->findBlockByNumber(editor.document()->blockCount() / 2));
    editor.setTextCursor(cursor);
    editor.centerCursor();
    drawFrame(editor, frame);
    return bench::medianMilliseconds(bench::keystrokes, [&](int keystroke) {
        const bool typing = bench::typesLetter(keystroke);
        QKeyEvent press(QEvent::KeyPress, typing ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                        typing ? QStringLiteral("x") : QStringLiteral("\b"));
        QCoreApplication::sendEvent(&editor, &press);
        drawFrame(editor, frame);
    });
}

// Its scroll bar counts lines; a step of a screenful draws a whole new frame, like a tick.
double scrollStepMilliseconds(QPlainTextEdit& editor, QImage& frame) {
    QScrollBar& bar = *editor.verticalScrollBar();
    const int top = bar.value();
    const double milliseconds = bench::medianMilliseconds(bench::ticks, [&](int round) {
        const int step = round % 40 < 20 ? 60 : -60;
        bar.setValue(std::clamp(bar.value() + step, 0, bar.maximum()));
        drawFrame(editor, frame);
    });
    bar.setValue(top);
    return milliseconds;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: peer_bench FILE\n");
        return 2;
    }
    const double fileMegabytes = bench::fileMegabytes(argv[1]);
    QPlainTextEdit editor;
    editor.setFont(QFont(QStringLiteral("Verdana"), 9));
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    editor.setFrameShape(QFrame::NoFrame);
    editor.resize(bench::windowWidth, bench::windowHeight);
    editor.show();
    QImage frame(bench::windowWidth, bench::windowHeight, QImage::Format_RGB32);

    const double residentBefore = bench::peakResidentMegabytes();
    const bench::Stopwatch opening;
    QFile file(QFile::decodeName(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "peer_bench: cannot open %s\n", argv[1]);
        return 1;
    }
    editor.setPlainText(QString::fromUtf8(file.readAll()));
    drawFrame(editor, frame);
    const double openMilliseconds = opening.milliseconds();
    bench::printOpening(editor.document()->blockCount(), fileMegabytes, openMilliseconds,
                        bench::peakResidentMegabytes() - residentBefore);
    bench::print("keystroke_ms", keystrokeMilliseconds(editor, frame));
    bench::print("glide_tick_ms", scrollStepMilliseconds(editor, frame));
    return 0;
}
