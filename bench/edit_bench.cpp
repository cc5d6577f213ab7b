#include "corpus.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::u16string indentedLines(int32_t lineCount) {
    std::u16string text;
    for (int32_t k = 0; k < lineCount; ++k)
        text += k % 4 == 0 ? u"\tvalue = call(first,\tsecond);\n" : u"\t\tplain words here\n";
    return text;
}

// A box on a full-HD headless surface with the cursor at, in view.
struct EditedBox {
    HeadlessSurface surface{1920, 1080, 7, 16};
    CLBox box;

    EditedBox(int32_t lineCount, const CLPos& at) {
        box.bind(surface);
        box.loadtext(indentedLines(lineCount));
        box.cursor = at;
        box.viewFollow(box.cursor);
        box.scrmovX = box.scrX;
        box.scrmovY = box.scrY;
        surface.calls.reserve(1 << 16);
    }
};

// Typing, then drawing the frame; the Backspace after it keeps the line as it was.
void typeThenRenderInTheMiddle(benchmark::State& state) {
    const auto lineCount = static_cast<int32_t>(state.range(0));
    EditedBox edited(lineCount, CLPos{lineCount / 8 * 4, 1, 3}); // in "value = call(first,"
    for (auto _ : state) {
        edited.surface.calls.clear();
        edited.box.insertChar(U'a', edited.box.cursor);
        edited.box.render();
        edited.box.insertChar(8, edited.box.cursor);
    }
}
BENCHMARK(typeThenRenderInTheMiddle)->Arg(1000)->Arg(2400000)->Unit(benchmark::kMicrosecond);

// Typing half-way along a document of one long line, the view scrolled there, then
// drawing the frame: the cost must be the view's, not the line's (0.5 ms at most).
void typeThenRenderInALongLine(benchmark::State& state) {
    HeadlessSurface surface{1920, 1080, 7, 16};
    surface.calls.reserve(1 << 16);
    CLBox box;
    box.bind(surface);
    const std::string line = corpus::longLineText(static_cast<size_t>(state.range(0)));
    box.loadtext(std::u16string(line.begin(), line.end()));
    box.cursor = CLPos{0, 0, static_cast<int32_t>(line.size() / 2)};
    box.viewFollow(box.cursor);
    box.scrmovX = box.scrX;
    const auto typeThenRender = [&] {
        surface.calls.clear();
        box.insertChar(U'a', box.cursor);
        box.render();
        box.insertChar(8, box.cursor);
    };
    typeThenRender(); // the first copies the loaded line out and measures it whole
    for (auto _ : state)
        typeThenRender();
}
BENCHMARK(typeThenRenderInALongLine)
    ->Arg(10000)
    ->Arg(6600000)
    ->Arg(60000000)
    ->Unit(benchmark::kMicrosecond);

// Splitting a line at its start and joining it again near the top: both shift the
// running sums of every line below.
void enterThenJoinNearTheTop(benchmark::State& state) {
    EditedBox edited(static_cast<int32_t>(state.range(0)), CLPos{12, 0, 0});
    for (auto _ : state) {
        edited.box.insertChar(13, edited.box.cursor);
        edited.box.insertChar(8, edited.box.cursor);
    }
}
BENCHMARK(enterThenJoinNearTheTop)->Arg(1000)->Arg(2400000)->Unit(benchmark::kMicrosecond);

// A sink that reads what it is told, as the history and the journal do.
TextChangeSink countingInto(size_t& units) {
    return [&units](const TextChange& change) {
        units += change.removed->text.size() + change.inserted->text.size();
    };
}

// A keystroke as the window makes it, its change told on to the history and the journal:
// typing, then the Backspace that takes it back, in the middle of a line of many cells.
void toldTypingInALineOfCells(benchmark::State& state) {
    HeadlessSurface surface{1920, 1080, 7, 16};
    CLBox box;
    box.bind(surface);
    const auto cellCount = static_cast<int32_t>(state.range(0));
    std::u16string line;
    for (int32_t k = 0; k < cellCount; ++k)
        line += u"word\t";
    box.loadtext(line);
    box.cursor = CLPos{0, cellCount / 2, 2};
    size_t toldUnits = 0;
    const TextChangeSink told = countingInto(toldUnits);
    for (auto _ : state) {
        box.insertChar(U'a', box.cursor, told);
        box.insertChar(8, box.cursor, told);
    }
    benchmark::DoNotOptimize(toldUnits);
}
BENCHMARK(toldTypingInALineOfCells)->Arg(8)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Enter in the middle of an indented line and the Backspace that joins it again, told.
void toldEnterThenJoin(benchmark::State& state) {
    EditedBox edited(1000, CLPos{500, 2, 6}); // in "second);", after one indentation cell
    size_t toldUnits = 0;
    const TextChangeSink told = countingInto(toldUnits);
    for (auto _ : state) {
        edited.box.insertChar(13, edited.box.cursor, told);
        edited.box.insertChar(8, edited.box.cursor, told); // the indentation cell
        edited.box.insertChar(8, edited.box.cursor, told);
    }
    benchmark::DoNotOptimize(toldUnits);
}
BENCHMARK(toldEnterThenJoin)->Unit(benchmark::kMicrosecond);

} // namespace
