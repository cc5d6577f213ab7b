#include "containers/OArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <vector>

namespace {

// Counts live items so tests can see that a released element is destroyed.
struct Item {
    explicit Item(int itemId, int& liveCount) : id(itemId), live(liveCount) { ++live; }
    ~Item() { --live; }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    int id;
    int& live;
};

class Picker {
public:
    explicit Picker(uint32_t seed) : engine(seed) {}
    int32_t operator()(int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(engine);
    }

private:
    std::mt19937 engine;
};

// The model: objects and weights in plain vectors, sums recomputed the slow way.
struct Model {
    std::vector<std::shared_ptr<Item>> objects;
    std::vector<int32_t> weights;
    int32_t capa = 0;

    int32_t size() const { return static_cast<int32_t>(weights.size()); }
    int32_t weiacc(int32_t i) const {
        int32_t total = 0;
        for (int32_t k = 0; k < i; ++k)
            total += weights[static_cast<size_t>(k)];
        return total;
    }
    int32_t atwei(int32_t w) const {
        if (w < 0)
            return -1;
        for (int32_t k = 0; k < size(); ++k)
            if (w < weiacc(k + 1))
                return k;
        return size();
    }
};

template <class Array>::testing::AssertionResult matches(const Array& arr, const Model& model) {
    if (arr.size() != model.size())
        return ::testing::AssertionFailure() << "size " << arr.size() << " vs " << model.size();
    if (arr.capa() != model.capa)
        return ::testing::AssertionFailure() << "capa " << arr.capa() << " vs " << model.capa;
    int32_t sum = 0;
    for (int32_t k = 0; k < model.size(); ++k) {
        const auto at = static_cast<size_t>(k);
        if (arr.at(k) != model.objects[at])
            return ::testing::AssertionFailure() << "object " << k;
        if (arr.wei(k) != model.weights[at])
            return ::testing::AssertionFailure() << "weight " << k;
        if (arr.weiacc(k) != sum)
            return ::testing::AssertionFailure() << "weiacc " << k;
        sum += model.weights[at];
    }
    if (arr.weiacc(model.size()) != sum)
        return ::testing::AssertionFailure() << "total " << arr.weiacc(model.size());
    return ::testing::AssertionSuccess();
}

// The capacity rules, written out plainly: insArr's, then ins's.
int32_t capaAfterBulkInsert(int32_t capa, int32_t size, int32_t added) {
    const int32_t d = size + added;
    if (added == 0 || capa >= d)
        return capa;
    if (d <= 7)
        return 8;
    return 2 * capa < d ? d : 2 * capa;
}

int32_t capaAfterInsert(int32_t capa, int32_t size, int32_t added) {
    if (added == 1 && capa < size + 1)
        return capa == 0 ? 8 : 2 * capa;
    return capaAfterBulkInsert(capa, size, added);
}

int32_t capaAfterDelete(int32_t capa, int32_t remaining) {
    if (remaining > capa / 2)
        return capa;
    if (remaining == 0)
        return 0;
    int32_t b = capa;
    while (b >= 8 && b >= remaining)
        b /= 2;
    return std::max(2 * b, remaining);
}

TEST(OArrayModel, RandomOperationsMatchNaiveModel) {
    int live = 0;
    {
        Picker pick(20261208);
        OArray<Item> arr;
        Model model;
        int nextId = 0;
        auto newItem = [&] { return std::make_shared<Item>(nextId++, live); };
        for (int step = 0; step < 20000; ++step) {
            const int32_t n = model.size();
            const int32_t op = pick(0, 9);
            if (op <= 2 || n == 0) {
                const int32_t at = pick(0, n), w = pick(0, 4) == 0 ? 0 : pick(1, 30);
                auto item = newItem();
                model.capa = capaAfterInsert(model.capa, n, 1);
                arr.ins(at, item, w);
                model.objects.insert(model.objects.begin() + at, item);
                model.weights.insert(model.weights.begin() + at, w);
            } else if (op == 3) {
                OArray<Item> other;
                std::vector<std::shared_ptr<Item>> added;
                std::vector<int32_t> addedWeights;
                for (int32_t k = pick(0, 25); k > 0; --k) {
                    added.push_back(newItem());
                    addedWeights.push_back(pick(0, 9));
                    other.add(added.back(), addedWeights.back());
                }
                const int32_t at = pick(0, n);
                model.capa = capaAfterInsert(model.capa, n, static_cast<int32_t>(added.size()));
                arr.insArr(at, other);
                model.objects.insert(model.objects.begin() + at, added.begin(), added.end());
                model.weights.insert(model.weights.begin() + at, addedWeights.begin(),
                                     addedWeights.end());
                ASSERT_EQ(other.size(), static_cast<int32_t>(added.size())); // left unchanged
            } else if (op <= 5) {
                const int32_t at = pick(0, n - 1), count = pick(0, std::min(n - at, 40));
                arr.del(at, count);
                model.objects.erase(model.objects.begin() + at, model.objects.begin() + at + count);
                model.weights.erase(model.weights.begin() + at, model.weights.begin() + at + count);
                if (count > 0)
                    model.capa = capaAfterDelete(model.capa, model.size());
            } else if (op == 6) {
                const int32_t at = pick(0, n - 1), w = pick(0, 30);
                arr.setWei(at, w);
                model.weights[static_cast<size_t>(at)] = w;
            } else if (op == 7) {
                const int32_t at = pick(0, n - 1);
                const int32_t count = pick(0, std::min(n - at, 6));
                std::vector<int32_t> ws;
                for (int32_t k = 0; k < count; ++k)
                    ws.push_back(pick(0, 1) ? model.weights[static_cast<size_t>(at + k)]
                                            : pick(0, 30));
                arr.weiset(at, count, ws);
                std::copy(ws.begin(), ws.end(), model.weights.begin() + at);
            } else if (op == 8) {
                const int32_t at = pick(0, n - 1);
                auto item = newItem();
                arr.setAt(at, item);
                model.objects[static_cast<size_t>(at)] = item;
            } else {
                const int32_t total = model.weiacc(n);
                for (int probe = 0; probe < 5; ++probe) {
                    const int32_t w = pick(-3, total + 3);
                    ASSERT_EQ(arr.atwei(w), model.atwei(w)) << "probe " << w;
                }
            }
            ASSERT_TRUE(matches(arr, model)) << "after step " << step;
            // Only the array and the model hold items: nothing leaks, nothing dies early.
            ASSERT_EQ(live, model.size()) << "after step " << step;
        }
    }
    EXPECT_EQ(live, 0);
}

// Small arrays, where a single element lives inside the array and every change moves
// it between there and a block: random operations, negative and huge weights among
// them, against the model, with the overflow refusals the sum of absolute weights gives.
TEST(OArrayModel, SmallArraysMatchNaiveModelAcrossStorageChanges) {
    int live = 0;
    Picker pick(20261209);
    int nextId = 0;
    auto newItem = [&] { return std::make_shared<Item>(nextId++, live); };
    constexpr int32_t huge = std::numeric_limits<int32_t>::max() / 2 + 1;
    auto weight = [&] {
        const int32_t kind = pick(0, 9);
        return kind == 0 ? huge : kind == 1 ? -huge : pick(-5, 30);
    };
    auto absoluteTotal = [](const std::vector<int32_t>& ws) {
        int64_t total = 0;
        for (const int32_t w : ws)
            total += std::llabs(static_cast<int64_t>(w));
        return total;
    };
    auto fits = [](int64_t total) { return total <= std::numeric_limits<int32_t>::max(); };
    for (int round = 0; round < 300; ++round) {
        OArray<Item> arr;
        Model model;
        for (int step = 0; step < 40; ++step) {
            const int32_t n = model.size();
            const int32_t op = pick(0, 9);
            // A refused change raises Overflow and leaves everything as it was.
            auto attempt = [&](bool allowed, const std::function<void()>& change) {
                try {
                    change();
                    EXPECT_TRUE(allowed) << "round " << round << " step " << step;
                } catch (const EngineError& e) {
                    EXPECT_FALSE(allowed) << "round " << round << " step " << step;
                    EXPECT_EQ(e.number, ErrorNumber::Overflow);
                }
                return allowed;
            };
            if (op <= 2 || n == 0) {
                const int32_t at = pick(0, n), w = weight();
                auto item = newItem();
                std::vector<int32_t> after = model.weights;
                after.insert(after.begin() + at, w);
                if (attempt(fits(absoluteTotal(after)), [&] { arr.ins(at, item, w); })) {
                    model.capa = capaAfterInsert(model.capa, n, 1);
                    model.objects.insert(model.objects.begin() + at, item);
                    model.weights = after;
                }
            } else if (op == 3) {
                const int32_t at = pick(0, n - 1), count = pick(0, n - at);
                arr.del(at, count);
                model.objects.erase(model.objects.begin() + at, model.objects.begin() + at + count);
                model.weights.erase(model.weights.begin() + at, model.weights.begin() + at + count);
                if (count > 0)
                    model.capa = capaAfterDelete(model.capa, model.size());
            } else if (op == 4) {
                const int32_t at = pick(0, n - 1), w = weight();
                std::vector<int32_t> after = model.weights;
                after[static_cast<size_t>(at)] = w;
                if (attempt(fits(absoluteTotal(after)), [&] { arr.setWei(at, w); }))
                    model.weights = after;
            } else if (op == 5) {
                const int32_t at = pick(0, n - 1), count = pick(0, std::min(n - at, 2));
                std::vector<int32_t> ws, after = model.weights;
                for (int32_t k = 0; k < count; ++k) {
                    ws.push_back(weight());
                    after[static_cast<size_t>(at + k)] = ws.back();
                }
                if (attempt(fits(absoluteTotal(after)), [&] { arr.weiset(at, count, ws); }))
                    model.weights = after;
            } else if (op == 6) {
                arr.reserve(pick(0, 3)); // room only: capa stays
            } else if (op == 7) {
                const int32_t to = pick(0, 2) == 0 ? 0 : pick(std::max(n, 1), n + 9);
                arr.resize(to);
                if (to == 0) {
                    model.objects.clear();
                    model.weights.clear();
                }
                model.capa = to;
            } else if (op == 8) {
                OArray<Item> moved(std::move(arr));
                ASSERT_EQ(arr.size(), 0);
                ASSERT_EQ(arr.capa(), 0);
                if (pick(0, 1) == 0)
                    arr.add(newItem(), 1); // assigning over an array releases what it held
                arr = std::move(moved);
            } else {
                OArray<Item> other;
                std::vector<std::shared_ptr<Item>> added;
                std::vector<int32_t> addedWeights;
                const bool self = pick(0, 2) == 0;
                if (self) {
                    added = model.objects;
                    addedWeights = model.weights;
                } else {
                    for (int32_t k = pick(0, 2); k > 0; --k) {
                        added.push_back(newItem());
                        addedWeights.push_back(pick(-5, 30));
                        other.add(added.back(), addedWeights.back());
                    }
                }
                const int32_t at = pick(0, n);
                std::vector<int32_t> after = model.weights;
                after.insert(after.begin() + at, addedWeights.begin(), addedWeights.end());
                if (attempt(fits(absoluteTotal(after)),
                            [&] { arr.insArr(at, self ? arr : other); })) {
                    model.capa =
                        capaAfterBulkInsert(model.capa, n, static_cast<int32_t>(added.size()));
                    model.objects.insert(model.objects.begin() + at, added.begin(), added.end());
                    model.weights = after;
                }
            }
            if (model.size() > 0 && pick(0, 4) == 0) {
                const int32_t at = pick(0, model.size() - 1);
                auto item = newItem();
                arr.setAt(at, item);
                model.objects[static_cast<size_t>(at)] = item;
            }
            ASSERT_TRUE(matches(arr, model)) << "round " << round << " step " << step;
            const std::set<std::shared_ptr<Item>> distinct(model.objects.begin(),
                                                           model.objects.end());
            ASSERT_EQ(live, static_cast<int>(distinct.size())) << "round " << round;
            if (std::all_of(model.weights.begin(), model.weights.end(),
                            [](int32_t v) { return v >= 0; })) { // sums that only rise
                const int32_t w = pick(-2, 40);
                ASSERT_EQ(arr.atwei(w), model.atwei(w)) << "round " << round << " probe " << w;
            }
        }
    }
    EXPECT_EQ(live, 0);
}

// Blocks of a few slots, so that a test of a few hundred elements crosses every edge of the
// blocked storage: gaps within a block, across blocks and of a block or more, rings turned
// many times over, and growing and shrinking between the flat and the blocked forms.
struct TinyBlocks {
    static constexpr int flatShift = 3;
    static constexpr int blockShift(int roomShift) { return (roomShift - 1) / 2; }
    static constexpr int32_t gapSlots = 3;
};

TEST(OArrayModel, BlockedStorageMatchesNaiveModel) {
    int live = 0;
    {
        Picker pick(20261210);
        OArray<Item, TinyBlocks> arr;
        OArray<Item> flat; // the peer: the same array in one run
        Model model;
        int nextId = 0;
        auto newItem = [&] { return std::make_shared<Item>(nextId++, live); };
        for (int step = 0; step < 8000; ++step) {
            const int32_t n = model.size();
            const int32_t op = pick(0, 7);
            // Sizes wander between none and several hundred elements.
            const bool growing = step % 2000 < 1000;
            const int32_t most = growing ? 24 : 4;
            if (op <= 2 || n == 0) {
                OArray<Item, TinyBlocks> other;
                std::vector<std::shared_ptr<Item>> added;
                std::vector<int32_t> addedWeights;
                for (int32_t k = op == 0 ? 1 : pick(1, most); k > 0; --k) {
                    added.push_back(newItem());
                    addedWeights.push_back(pick(-3, 30));
                    other.add(added.back(), addedWeights.back());
                }
                const int32_t at = pick(0, 3) == 0 ? n : pick(0, n); // appends, as loading makes
                model.capa = capaAfterInsert(model.capa, n, static_cast<int32_t>(added.size()));
                if (added.size() == 1) {
                    arr.ins(at, added.front(), addedWeights.front());
                    flat.ins(at, added.front(), addedWeights.front());
                } else {
                    arr.insArr(at, other);
                    for (size_t k = 0; k < added.size(); ++k)
                        flat.ins(at + static_cast<int32_t>(k), added[k], addedWeights[k]);
                }
                model.objects.insert(model.objects.begin() + at, added.begin(), added.end());
                model.weights.insert(model.weights.begin() + at, addedWeights.begin(),
                                     addedWeights.end());
            } else if (op <= 4) {
                const int32_t at = pick(0, n - 1);
                const int32_t count = pick(0, std::min(n - at, growing ? 8 : 40));
                arr.del(at, count);
                flat.del(at, count);
                model.objects.erase(model.objects.begin() + at, model.objects.begin() + at + count);
                model.weights.erase(model.weights.begin() + at, model.weights.begin() + at + count);
                if (count > 0)
                    model.capa = capaAfterDelete(model.capa, model.size());
            } else if (op == 5) {
                const int32_t at = pick(0, n - 1), w = pick(-3, 30);
                arr.setWei(at, w);
                flat.setWei(at, w);
                model.weights[static_cast<size_t>(at)] = w;
            } else if (op == 6) {
                const int32_t at = pick(0, n - 1), count = pick(0, std::min(n - at, 12));
                std::vector<int32_t> ws;
                for (int32_t k = 0; k < count; ++k)
                    ws.push_back(pick(0, 1) ? model.weights[static_cast<size_t>(at + k)]
                                            : pick(-3, 30));
                arr.weiset(at, count, ws);
                flat.weiset(at, count, ws);
                std::copy(ws.begin(), ws.end(), model.weights.begin() + at);
            } else {
                const int32_t to = pick(std::max(n, 1), n + 40);
                arr.reserve(to); // room only: capa stays
            }
            ASSERT_TRUE(matches(arr, model)) << "after step " << step;
            ASSERT_EQ(live, model.size()) << "after step " << step;
            // Negative weights make the sums fall here and there: the search must still
            // take the very steps the flat array's takes.
            const int32_t w = pick(-3, model.weiacc(model.size()) + 3);
            ASSERT_EQ(arr.atwei(w), flat.atwei(w)) << "step " << step << " probe " << w;
        }
    }
    EXPECT_EQ(live, 0);
}

TEST(OArrayCapacity, GrowthAndShrinkFollowTheRules) {
    int live = 0;
    auto item = [&] { return std::make_shared<Item>(0, live); };
    OArray<Item> arr;
    for (int k = 0; k < 8; ++k)
        arr.add(item(), 1);
    EXPECT_EQ(arr.capa(), 8);
    arr.add(item(), 1);
    EXPECT_EQ(arr.capa(), 16);

    struct Bulk {
        int32_t holding, capaBefore, added, capaAfter;
    };
    for (const Bulk row : {Bulk{0, 0, 5, 8}, Bulk{8, 8, 20, 28}, Bulk{8, 8, 3, 16}}) {
        OArray<Item> target, source;
        for (int32_t k = 0; k < row.holding; ++k)
            target.add(item(), 1);
        ASSERT_EQ(target.capa(), row.capaBefore);
        for (int32_t k = 0; k < row.added; ++k)
            source.add(item(), 1);
        target.insArr(0, source);
        EXPECT_EQ(target.capa(), row.capaAfter) << row.holding << " + " << row.added;
    }

    struct Shrink {
        int32_t capaBefore, remaining, capaAfter;
    };
    for (const Shrink row : {Shrink{64, 10, 16}, Shrink{64, 3, 8}, Shrink{16, 8, 8}}) {
        OArray<Item> arr2;
        arr2.resize(row.capaBefore);
        for (int32_t k = 0; k < row.remaining + 1; ++k)
            arr2.add(item(), 1);
        arr2.del(0, 1);
        EXPECT_EQ(arr2.capa(), row.capaAfter) << row.capaBefore << " keeping " << row.remaining;
    }

    // A bulk insert leaves capacity 25; halving it must not drop the 25th element.
    {
        OArray<Item> odd, source;
        for (int k = 0; k < 26; ++k)
            source.add(item(), 1);
        odd.insArr(0, source);
        odd.resize(50);
        odd.del(0, 1);
        EXPECT_EQ(odd.capa(), 25);
        EXPECT_EQ(odd.size(), 25);
        EXPECT_EQ(odd.weiacc(25), 25);
    }

    arr.del(0, arr.size());
    EXPECT_EQ(arr.capa(), 0);
    EXPECT_EQ(live, 0);
    arr.add(item(), 2);
    EXPECT_EQ(arr.capa(), 8);
}

TEST(OArrayRunningSums, ZeroWeightElementsAreNeverFound) {
    int live = 0;
    OArray<Item> arr;
    for (const int32_t w : {3, 0, 2})
        arr.add(std::make_shared<Item>(0, live), w);
    const std::vector<int32_t> acc = {0, 3, 3, 5};
    for (int32_t i = 0; i <= 3; ++i)
        EXPECT_EQ(arr.weiacc(i), acc[static_cast<size_t>(i)]);
    const std::vector<std::pair<int32_t, int32_t>> probes = {{0, 0}, {2, 0}, {3, 2},
                                                             {4, 2}, {5, 3}, {-1, -1}};
    for (const auto& [w, index] : probes)
        EXPECT_EQ(arr.atwei(w), index) << "atwei(" << w << ")";
    arr.setWei(1, 7);
    EXPECT_EQ(arr.weiacc(2), 10);
    EXPECT_EQ(arr.weiacc(3), 12);
    EXPECT_EQ(OArray<Item>().atwei(5), 0);
}

TEST(OArrayErrors, BadIndexRaisesNineAndChangesNothing) {
    int live = 0;
    OArray<Item> arr;
    for (const int32_t w : {3, 0, 2})
        arr.add(std::make_shared<Item>(0, live), w);
    const std::vector<int32_t> ws = {1, 1, 1, 1};
    const std::vector<std::function<void()>> bad = {
        [&] { arr.at(3); },
        [&] { arr.at(-1); },
        [&] { arr.wei(3); },
        [&] { arr.setWei(-1, 2); },
        [&] { arr.weiacc(4); },
        [&] { arr.ins(4, nullptr, 1); },
        [&] { arr.del(2, 2); },
        [&] { arr.del(-1, 1); },
        [&] { arr.del(0, -1); },
        [&] { arr.weiset(1, 3, ws); },
        [&] { arr.weiset(0, 3, std::span<const int32_t>(ws).first(2)); },
        [&] { arr.setAt(3, nullptr); },
    };
    for (size_t k = 0; k < bad.size(); ++k) {
        try {
            bad[k]();
            ADD_FAILURE() << "case " << k << " did not raise";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.number, ErrorNumber::OutOfRange) << "case " << k;
        }
        EXPECT_EQ(arr.size(), 3);
        EXPECT_EQ(arr.weiacc(3), 5) << "case " << k;
        EXPECT_EQ(arr.capa(), 8);
    }
}

TEST(OArrayOverflow, SumsThatWouldLeave32BitsAreRefused) {
    int live = 0;
    constexpr int32_t big = std::numeric_limits<int32_t>::max() / 2 + 1;
    OArray<Item> arr;
    arr.add(std::make_shared<Item>(0, live), big);
    const auto expectOverflow = [&](const std::function<void()>& change) {
        const int32_t sizeBefore = arr.size(), totalBefore = arr.weiacc(arr.size());
        try {
            change();
            ADD_FAILURE() << "no overflow raised";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.number, ErrorNumber::Overflow);
        }
        EXPECT_EQ(arr.size(), sizeBefore);
        EXPECT_EQ(arr.weiacc(arr.size()), totalBefore);
    };
    expectOverflow([&] { arr.add(std::make_shared<Item>(1, live), big); });
    expectOverflow([&] { arr.insArr(0, arr); });
    const std::vector<int32_t> ws = {std::numeric_limits<int32_t>::max()};
    arr.add(std::make_shared<Item>(1, live), 1);
    expectOverflow([&] { arr.weiset(1, 1, ws); });
    expectOverflow([&] { arr.setWei(1, big); });
    arr.setWei(1, big - 1); // exactly the largest total still fits
    EXPECT_EQ(arr.weiacc(2), std::numeric_limits<int32_t>::max());
}

// The change itself may span 2^31 while every sum fits; sanitizer builds catch a wrap.
TEST(OArrayOverflow, AWeightChangingSignAcrossTheRangeKeepsItsSums) {
    int live = 0;
    constexpr int32_t huge = std::numeric_limits<int32_t>::max() / 2 + 1;
    OArray<Item> arr;
    arr.add(std::make_shared<Item>(0, live), -huge);
    arr.add(std::make_shared<Item>(1, live), 0);
    arr.setWei(0, huge);
    EXPECT_EQ(arr.weiacc(1), huge);
    EXPECT_EQ(arr.weiacc(2), huge);
}

} // namespace
