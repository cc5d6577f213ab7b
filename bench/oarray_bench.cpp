#include "containers/OArray.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Item {
    int value = 0;
};

OArray<Item> filled(int32_t n) {
    OArray<Item> arr;
    for (int32_t k = 0; k < n; ++k)
        arr.add(std::make_shared<Item>(), 16);
    return arr;
}

void insertAndDeleteInTheMiddle(benchmark::State& state) {
    OArray<Item> arr = filled(static_cast<int32_t>(state.range(0)));
    auto item = std::make_shared<Item>();
    for (auto _ : state) {
        arr.ins(arr.size() / 2, item, 8);
        arr.del(arr.size() / 2, 1);
    }
}
BENCHMARK(insertAndDeleteInTheMiddle)->Arg(1000)->Arg(100000)->Arg(1000000);

// Loading adds every line at the end, into room reserved for them all.
void appendIntoReservedRoom(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    const auto item = std::make_shared<Item>();
    for (auto _ : state) {
        OArray<Item> arr;
        arr.reserve(n);
        for (int32_t k = 0; k < n; ++k)
            arr.add(item, 16);
        benchmark::DoNotOptimize(arr.weiacc(n));
    }
}
BENCHMARK(appendIntoReservedRoom)->Arg(2500000)->Unit(benchmark::kMillisecond);

void findByWeight(benchmark::State& state) {
    OArray<Item> arr = filled(static_cast<int32_t>(state.range(0)));
    const int32_t total = arr.weiacc(arr.size());
    int32_t w = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(arr.atwei(w));
        w = (w + 7919) % total;
    }
}
BENCHMARK(findByWeight)->Arg(1000)->Arg(100000)->Arg(1000000);

// Re-measuring a few elements whose total is unchanged stops right after them.
void weightSetUnchangedTotal(benchmark::State& state) {
    OArray<Item> arr = filled(static_cast<int32_t>(state.range(0)));
    const std::vector<int32_t> ws = {10, 22, 16, 16};
    const int32_t at = arr.size() / 2;
    for (auto _ : state)
        arr.weiset(at, 4, ws);
}
BENCHMARK(weightSetUnchangedTotal)->Arg(1000)->Arg(100000)->Arg(1000000);

void weightSetChangedTotal(benchmark::State& state) {
    OArray<Item> arr = filled(static_cast<int32_t>(state.range(0)));
    std::vector<int32_t> ws = {16, 16, 16, 17};
    const int32_t at = arr.size() / 2;
    for (auto _ : state) {
        arr.weiset(at, 4, ws);
        ws[3] = ws[3] == 17 ? 16 : 17;
    }
}
BENCHMARK(weightSetChangedTotal)->Arg(1000)->Arg(100000)->Arg(1000000);

} // namespace
