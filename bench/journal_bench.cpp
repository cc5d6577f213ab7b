#include "tests/TempFolder.h"
#include "window/recovery.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// One idle write of the recovery journal: the edits typed since the last write appended
// and flushed to the disk. Its cost follows the edits, never the document.
void writeTypedEdits(benchmark::State& state) {
    const auto editsPerWrite = static_cast<int32_t>(state.range(0));
    TempFolder folder;
    RecoveryJournal journal(folder / "recovery", JournalBase{folder.path("typed.txt"), {}});
    int32_t column = 0;
    for (auto _ : state) {
        for (int32_t k = 0; k < editsPerWrite; ++k, ++column)
            journal.record({U'a', 0, 0, column});
        journal.write();
    }
    state.SetItemsProcessed(state.iterations() * editsPerWrite);
}

// 10 edits: a second of steady typing; 10,000: a long burst written at its ten-second limit.
BENCHMARK(writeTypedEdits)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
