#include "QtSurface.h"
#include "qtstrings.h"
#include "textbox/CLBox.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Real source code to draw: this program's own engine sources, end to end.
std::u16string engineSources() {
    QString text;
    const QDir folder(QStringLiteral(COLUMNATOR_SOURCE_DIR "/textbox"));
    for (const QString& name : folder.entryList({QStringLiteral("*.cpp")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return toU16String(text);
}

// One frame of a full-HD window of source code, through the window's own surface.
void renderFullHdWindow(benchmark::State& state) {
    QtSurface surface(1920, 1080, 96, static_cast<double>(state.range(0)));
    CLBox box;
    box.bind(surface);
    box.loadtext(engineSources());
    for (auto _ : state) {
        box.render();
        benchmark::DoNotOptimize(surface.presentedImage().constBits());
    }
    state.counters["lines"] = static_cast<double>(box.lines.size());
}
BENCHMARK(renderFullHdWindow)->ArgName("ratio")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The first frame in a new font, which learns every glyph it draws.
void renderFirstFrame(benchmark::State& state) {
    const std::u16string text = engineSources();
    for (auto _ : state) {
        state.PauseTiming();
        QtSurface surface(1920, 1080, 96, static_cast<double>(state.range(0)));
        CLBox box;
        box.bind(surface);
        box.loadtext(std::u16string(text));
        state.ResumeTiming();
        box.render();
        benchmark::DoNotOptimize(surface.presentedImage().constBits());
    }
}
BENCHMARK(renderFirstFrame)->ArgName("ratio")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Measuring every cell of source code, as loading and editing do: the summed advances.
void measureCells(benchmark::State& state) {
    const std::u16string text = engineSources();
    std::vector<std::u16string_view> cells;
    size_t start = 0;
    for (size_t k = 0; k <= text.size(); ++k)
        if (k == text.size() || text[k] == u'\t' || text[k] == u'\n') {
            cells.push_back(std::u16string_view(text).substr(start, k - start));
            start = k + 1;
        }
    QtSurface surface(1920, 1080);
    Surface* measured = &surface; // called through the interface, as the engine calls it
    benchmark::DoNotOptimize(measured);
    for (auto _ : state) {
        double width = 0;
        for (const std::u16string_view cell : cells)
            width += measured->textWidth(cell);
        benchmark::DoNotOptimize(width);
    }
    state.counters["cells"] = static_cast<double>(cells.size());
}
BENCHMARK(measureCells)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
