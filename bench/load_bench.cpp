#include "corpus.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"
#include "window/fileread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <malloc.h>

// Every allocation of the process is counted, so a load's peak and what it keeps are
// measured exactly rather than read from the resident size. The benchmarks run on one
// thread, so plain counters serve and cost little next to malloc itself.
namespace {
size_t liveBytes = 0;
size_t peakBytes = 0;

void* countedAllocation(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    liveBytes += malloc_usable_size(p);
    peakBytes = std::max(peakBytes, liveBytes);
    return p;
}

// The record arena takes its chunks aligned to their size.
void* countedAlignedAllocation(size_t size, std::align_val_t alignment) {
    const auto align = static_cast<size_t>(alignment);
    void* p = std::aligned_alloc(align, (std::max<size_t>(size, 1) + align - 1) / align * align);
    if (p == nullptr)
        throw std::bad_alloc();
    liveBytes += malloc_usable_size(p);
    peakBytes = std::max(peakBytes, liveBytes);
    return p;
}

void countedRelease(void* p) noexcept {
    if (p == nullptr)
        return;
    liveBytes -= malloc_usable_size(p);
    std::free(p);
}
} // namespace

void* operator new(size_t size) {
    return countedAllocation(size);
}
void* operator new[](size_t size) {
    return countedAllocation(size);
}
void operator delete(void* p) noexcept {
    countedRelease(p);
}
void operator delete[](void* p) noexcept {
    countedRelease(p);
}
void operator delete(void* p, size_t) noexcept {
    countedRelease(p);
}
void operator delete[](void* p, size_t) noexcept {
    countedRelease(p);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return countedAlignedAllocation(size, alignment);
}
void operator delete(void* p, std::align_val_t) noexcept {
    countedRelease(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    countedRelease(p);
}

namespace {

constexpr size_t corpusBytes = 10 * 1024 * 1024;
constexpr double megabyte = 1024.0 * 1024.0;

// Real source code: the system headers, concatenated in a fixed order, cut at 10 MiB
// and kept in the temporary folder between runs.
std::filesystem::path corpusFile() {
    namespace fs = std::filesystem;
    const fs::path path = fs::temp_directory_path() / "columnator-bench" / "include-10MiB.txt";
    if (fs::exists(path) && fs::file_size(path) == corpusBytes)
        return path;
    std::vector<fs::path> headers;
    for (const auto& entry : fs::recursive_directory_iterator(
             "/usr/include", fs::directory_options::skip_permission_denied))
        if (entry.is_regular_file())
            headers.push_back(entry.path());
    std::sort(headers.begin(), headers.end());
    std::string corpus;
    for (const fs::path& header : headers) {
        std::ifstream in(header, std::ios::binary);
        corpus.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (corpus.size() >= corpusBytes)
            break;
    }
    corpus.resize(corpusBytes);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(corpus.data(), static_cast<std::streamsize>(corpus.size()));
    return path;
}

// Bytes widened one to one: the headers are ASCII, and loading does not care.
const std::u16string& corpusText() {
    static const std::u16string text = [] {
        std::ifstream in(corpusFile(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::u16string wide(bytes.size(), u'\0');
        std::transform(bytes.begin(), bytes.end(), wide.begin(),
                       [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
        return wide;
    }();
    return text;
}

void loadCorpus(benchmark::State& state) {
    const std::u16string& text = corpusText();
    HeadlessSurface surface;
    size_t peak = 0, retained = 0;
    int32_t lineCount = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<CLBox>();
        box->bind(surface);
        const size_t before = liveBytes;
        peakBytes = before;
        state.ResumeTiming();
        box->loadtext(text);
        state.PauseTiming();
        peak = peakBytes - before;
        retained = liveBytes - before;
        lineCount = box->lines.size();
        box.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpusBytes));
    state.counters["lines"] = lineCount;
    state.counters["peakMBperMB"] = static_cast<double>(peak) / static_cast<double>(corpusBytes);
    state.counters["keptMBperMB"] =
        static_cast<double>(retained) / static_cast<double>(corpusBytes);
}
BENCHMARK(loadCorpus)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Reading and decoding the corpus file: the part of opening before loadtext.
void readCorpusFile(benchmark::State& state) {
    const std::u16string path = corpusFile().u16string();
    for (auto _ : state)
        benchmark::DoNotOptimize(readTextFile(path));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpusBytes));
}
BENCHMARK(readCorpusFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening as the window opens a file: reading and decoding it, loading the text, drawing
// the first frame of a full-HD view; source code of range(0) MiB (at least 300 MB/s).
void openFileThenFirstFrame(benchmark::State& state) {
    namespace fs = std::filesystem;
    const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
    const fs::path path = fs::temp_directory_path() / "columnator-bench" /
                          ("source-" + std::to_string(state.range(0)) + "MiB.txt");
    if (!fs::exists(path) || fs::file_size(path) > bytes || fs::file_size(path) < bytes / 2) {
        const std::string text = corpus::sourceText(bytes);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    HeadlessSurface surface(1920, 1080, 7, 16);
    surface.calls.reserve(1 << 16);
    auto box = std::make_unique<CLBox>();
    box->bind(surface);
    for (auto _ : state) {
        box->loadtext(readTextFile(path.u16string()).text);
        box->render();
        state.PauseTiming();
        box->loadtext(u"");
        surface.calls.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(path)));
}
BENCHMARK(openFileThenFirstFrame)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The corpus lines repeated to lineCount lines; leading spaces give indentation columns.
std::u16string corpusLines(int32_t lineCount) {
    const std::u16string& corpus = corpusText();
    std::u16string text;
    size_t start = 0;
    for (int32_t l = 0; l < lineCount; ++l) {
        size_t end = corpus.find(u'\n', start);
        if (end == std::u16string::npos) {
            start = 0;
            end = corpus.find(u'\n');
        }
        text.append(corpus, start, end + 1 - start);
        start = end + 1;
    }
    return text;
}

CLBox& loadedBox(int32_t lineCount) {
    static HeadlessSurface surface;
    static std::map<int32_t, std::unique_ptr<CLBox>> boxes;
    auto& box = boxes[lineCount];
    if (!box) {
        box = std::make_unique<CLBox>();
        box->bind(surface);
        box->loadtext(corpusLines(lineCount));
    }
    return *box;
}

// What render does each frame: the widths of a 100-line view. The view shows the same
// corpus lines in every document (they repeat with the corpus), far down in a long one,
// so only the document's size differs.
void layOutView(benchmark::State& state) {
    const auto lineCount = static_cast<int32_t>(state.range(0));
    CLBox& box = loadedBox(lineCount);
    const auto period =
        static_cast<int32_t>(std::count(corpusText().begin(), corpusText().end(), u'\n'));
    const int32_t top = 500 + period * ((lineCount - 600) / period);
    for (auto _ : state)
        box.updateWidth(top, top + 100);
    state.counters["lines"] = box.lines.size();
    state.counters["viewTop"] = top;
}
BENCHMARK(layOutView)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace
