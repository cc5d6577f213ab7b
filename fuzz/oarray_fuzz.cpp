// Decodes the input into weighted-array operations and checks every step against a
// plain vector whose sums are recomputed, on an array kept as usual and on one kept in
// blocks of a few slots, as only a very large array is otherwise.
#include "containers/OArray.h"
#include "fuzz/BoxInvariants.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Item {
    int32_t id;
};

struct TinyBlocks {
    static constexpr int flatShift = 2;
    static constexpr int blockShift(int roomShift) { return (roomShift - 1) / 2; }
    static constexpr int32_t gapSlots = 2;
};

template <class Array>
void checkAgainstModel(const Array& arr, const std::vector<int32_t>& ids,
                       const std::vector<int32_t>& weights) {
    FUZZ_CHECK(arr.size() == static_cast<int32_t>(weights.size()));
    FUZZ_CHECK(arr.capa() >= arr.size());
    int32_t sum = 0;
    for (size_t k = 0; k < weights.size(); ++k) {
        const auto i = static_cast<int32_t>(k);
        FUZZ_CHECK(arr.weiacc(i) == sum);
        FUZZ_CHECK(arr.wei(i) == weights[k]);
        FUZZ_CHECK(arr.at(i)->id == ids[k]);
        sum += weights[k];
    }
    FUZZ_CHECK(arr.weiacc(arr.size()) == sum);
}

int32_t slowAtwei(const std::vector<int32_t>& weights, int32_t w) {
    if (w < 0)
        return -1;
    int32_t sum = 0;
    for (size_t k = 0; k < weights.size(); ++k) {
        sum += weights[k];
        if (w < sum)
            return static_cast<int32_t>(k);
    }
    return static_cast<int32_t>(weights.size());
}

std::ptrdiff_t offset(int32_t k) {
    return static_cast<std::ptrdiff_t>(k);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    OArray<Item> arr;
    OArray<Item, TinyBlocks> blocked;
    std::vector<int32_t> ids, weights;
    int32_t nextId = 0;
    while (!in.empty()) {
        const auto n = static_cast<int32_t>(weights.size());
        switch (in.byte() % 7) {
        case 0: {
            const int32_t i = in.upTo(n), w = in.byte();
            arr.ins(i, std::make_shared<Item>(Item{nextId}), w);
            blocked.ins(i, std::make_shared<Item>(Item{nextId}), w);
            ids.insert(ids.begin() + offset(i), nextId++);
            weights.insert(weights.begin() + offset(i), w);
            break;
        }
        case 1: {
            OArray<Item> other;
            OArray<Item, TinyBlocks> otherBlocked;
            std::vector<int32_t> otherIds, otherWeights;
            for (int32_t k = in.upTo(20); k > 0; --k) {
                otherIds.push_back(nextId);
                otherWeights.push_back(in.byte());
                other.add(std::make_shared<Item>(Item{nextId}), otherWeights.back());
                otherBlocked.add(std::make_shared<Item>(Item{nextId++}), otherWeights.back());
            }
            const int32_t i = in.upTo(n);
            arr.insArr(i, other);
            blocked.insArr(i, otherBlocked);
            ids.insert(ids.begin() + offset(i), otherIds.begin(), otherIds.end());
            weights.insert(weights.begin() + offset(i), otherWeights.begin(), otherWeights.end());
            break;
        }
        case 2: {
            if (n == 0)
                break;
            const int32_t i = in.upTo(n - 1), count = in.upTo(n - i);
            arr.del(i, count);
            blocked.del(i, count);
            ids.erase(ids.begin() + offset(i), ids.begin() + offset(i + count));
            weights.erase(weights.begin() + offset(i), weights.begin() + offset(i + count));
            break;
        }
        case 3: {
            if (n == 0)
                break;
            const int32_t i = in.upTo(n - 1), w = in.byte();
            arr.setWei(i, w);
            blocked.setWei(i, w);
            weights[static_cast<size_t>(i)] = w;
            break;
        }
        case 4: {
            if (n == 0)
                break;
            const int32_t i = in.upTo(n - 1), count = in.upTo(std::min(n - i, 8));
            std::vector<int32_t> ws;
            for (int32_t k = 0; k < count; ++k)
                ws.push_back(in.byte() % 2 ? weights[static_cast<size_t>(i + k)] : in.byte());
            arr.weiset(i, count, ws);
            blocked.weiset(i, count, ws);
            std::copy(ws.begin(), ws.end(), weights.begin() + offset(i));
            break;
        }
        case 5: {
            const int32_t total = arr.weiacc(arr.size());
            const int32_t w = in.upTo(total + 2) - 1;
            FUZZ_CHECK(arr.atwei(w) == slowAtwei(weights, w));
            FUZZ_CHECK(blocked.atwei(w) == arr.atwei(w));
            break;
        }
        default: { // a bad index must raise and change nothing
            const int32_t i = n + in.upTo(3);
            try {
                arr.del(i, 1);
                FUZZ_CHECK(false);
            } catch (const EngineError& e) {
                FUZZ_CHECK(e.number == ErrorNumber::OutOfRange);
            }
            break;
        }
        }
        checkAgainstModel(arr, ids, weights);
        checkAgainstModel(blocked, ids, weights);
        FUZZ_CHECK(blocked.capa() == arr.capa());
    }
    return 0;
}
