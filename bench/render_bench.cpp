#include "corpus.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Source-like lines with indentation and a few tab columns.
std::u16string sourceLikeText(int32_t lineCount) {
    static const char16_t* const shapes[] = {
        u"int main(int argc, char** argv)",
        u"{",
        u"\tif (value == other)\t// compare",
        u"\t{",
        u"\t\tcall(\tfirstArgument,\tsecond);",
        u"\t}",
        u"}",
        u"",
    };
    std::u16string text;
    for (int32_t k = 0; k < lineCount; ++k) {
        text += shapes[k % 8];
        text += u"\n";
    }
    return text;
}

void renderFullView(benchmark::State& state) {
    HeadlessSurface surface(1920, 1080, 7, 16);
    surface.calls.reserve(1 << 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(sourceLikeText(static_cast<int32_t>(state.range(0))));
    box.scrmovY = box.lines.weiacc(box.lines.size()) / 2.0; // the middle of the document
    for (auto _ : state) {
        surface.calls.clear();
        box.render();
    }
    state.counters["lines"] = static_cast<double>(box.lines.size());
}
BENCHMARK(renderFullView)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A frame of a document of one long line, scrolled far along it, as a glide tick draws
// it: only what is in view is found and printed (0.5 ms at most).
void renderLongLineScrolledFarRight(benchmark::State& state) {
    HeadlessSurface surface(1920, 1080, 7, 16);
    surface.calls.reserve(1 << 16);
    CLBox box;
    box.bind(surface);
    const std::string line = corpus::longLineText(static_cast<size_t>(state.range(0)));
    box.loadtext(std::u16string(line.begin(), line.end()));
    box.scrmovX = box.lines.at(0)->tabs.at(0)->innerWidth * 0.7;
    for (auto _ : state) {
        surface.calls.clear();
        box.render();
    }
}
BENCHMARK(renderLongLineScrolledFarRight)->Arg(10000)->Arg(6600000)->Unit(benchmark::kMicrosecond);

} // namespace
