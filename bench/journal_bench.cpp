#include "tests/TempFolder.h"
#include "window/recovery.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

// One idle write of the recovery journal: the edits typed since the last write, as the
// window journals them (each a replacement of nothing by its character), appended and
// flushed to the disk. Its cost follows the edits, never the document.
void writeTypedEdits(benchmark::State& state) {
    const auto editsPerWrite = static_cast<int32_t>(state.range(0));
    TempFolder folder;
    RecoveryJournal journal(folder / "recovery", JournalBase{folder.path("typed.txt"), {}});
    const auto typed = std::make_shared<const TextFragment>(TextFragment{u"a", {}});
    int32_t column = 0;
    for (auto _ : state) {
        for (int32_t k = 0; k < editsPerWrite; ++k, ++column)
            journal.record(JournalEdit::replacement({0, 0, column}, {0, 0, column},
                                                    {0, 0, column + 1}, typed));
        journal.write();
    }
    state.SetItemsProcessed(state.iterations() * editsPerWrite);
}

// 10 edits: a second of steady typing; 10,000: a long burst written at its ten-second limit.
BENCHMARK(writeTypedEdits)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
