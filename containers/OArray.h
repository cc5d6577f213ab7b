#pragma once

#include "containers/Ref.h"
#include "containers/SlotBlocks.h"
#include "support/EngineError.h"
#include "support/systemcalls.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Makes the elements an array of T holds as pending codes (Ref::pending), when first read.
template <class T> class ElementMaker {
public:
    // The element coded so, whose weight in the array is weight.
    virtual Ref<T> make(uint64_t code, int32_t weight) = 0;

protected:
    ~ElementMaker() = default;
};

// Records that declare madeOnFirstRead may be held as pending codes, which the array's
// maker turns into records when they are first read.
template <class T>
concept MadeOnFirstRead = requires {
    requires T::madeOnFirstRead;
};

template <class T> struct MakerOf { ElementMaker<T>* maker = nullptr; };
struct NoMaker {};

// A growable array of shared references in which every element carries a weight,
// with the running sums kept so that the start of element k (weiacc) and the element
// covering a position (atwei) need no summing. Lines weighted by height and cells
// weighted by width are its two uses.
//
// Every index is checked before anything changes; a bad one raises OutOfRange. A
// change that would carry a running sum outside 32 bits raises Overflow instead of
// wrapping: the array tracks the sum of absolute weights, which bounds every sum.
template <class T, class Blocks = StorageBlocks> class OArray {
public:
    using Ref = RefFor<T>;

    OArray() = default;
    OArray(const OArray&) = delete;
    OArray& operator=(const OArray&) = delete;
    OArray(OArray&& other) noexcept { take(other); }
    OArray& operator=(OArray&& other) noexcept {
        if (this != &other) {
            freeStorage();
            take(other);
        }
        return *this;
    }
    ~OArray() { freeStorage(); }

    int32_t size() const { return count; }
    int32_t capa() const { return capacity; }

    void resize(int32_t n);
    // Room for n elements without reallocating, as when the count is known ahead; capa
    // still reports what the growth rules give.
    void reserve(int32_t n);
    void ins(int32_t i, Ref o, int32_t w);
    void insArr(int32_t i, const OArray& a);
    void add(Ref o, int32_t w) { ins(count, std::move(o), w); }
    void addArr(const OArray& a) { insArr(count, a); }
    void del(int32_t i, int32_t n);

    // A pending element is made first: the maker's failure is raised here.
    const Ref& at(int32_t i) const {
        requireElement(i);
        Ref& held = refAt(i);
        if constexpr (MadeOnFirstRead<T>)
            if (held.isPending())
                makeElement(i);
        return held;
    }
    // Whether element i is a record already, not a pending code.
    bool isMade(int32_t i) const {
        requireElement(i);
        if constexpr (MadeOnFirstRead<T>)
            return !refAt(i).isPending();
        return true;
    }
    // The code of a pending element i.
    uint64_t pendingCode(int32_t i) const {
        requireElement(i);
        return refAt(i).pendingCode();
    }
    void setMaker(ElementMaker<T>* elementMaker) requires MadeOnFirstRead<T> {
        making.maker = elementMaker;
    }
    // Replaces element i; its weight is kept.
    void setAt(int32_t i, Ref o) {
        requireElement(i);
        refAt(i) = std::move(o);
    }
    int32_t wei(int32_t i) const {
        requireElement(i);
        return weightOf(i);
    }
    void setWei(int32_t i, int32_t w);

    // Sum of the weights of elements 0 .. i-1; i == size() gives the total.
    int32_t weiacc(int32_t i) const {
        if (i < 0 || i > count)
            raiseOutOfRange("weiacc(" + std::to_string(i) + ") of " + std::to_string(count));
        return i == 0 ? 0 : sumAt(i - 1);
    }
    int32_t atwei(int32_t w) const;
    void weiset(int32_t i, int32_t n, std::span<const int32_t> ws);

private:
    void makeElement(int32_t i) const {
        if (making.maker == nullptr)
            throw EngineError(ErrorNumber::BadArgument, "an element waits for a maker");
        Ref made = making.maker->make(refAt(i).pendingCode(), weightOf(i));
        refAt(i) = std::move(made);
    }
    // Where a pending element is copied out of its array, it is made first: the copies
    // then share one record.
    void makeAll() const {
        if constexpr (MadeOnFirstRead<T>)
            for (int32_t k = 0; k < count; ++k)
                at(k);
    }
    // The check stays small enough to inline into every read; the message is made apart.
    void requireElement(int32_t i) const {
        if (i < 0 || i >= count)
            raiseNoElement(i);
    }
    [[noreturn]] void raiseNoElement(int32_t i) const {
        raiseOutOfRange("element " + std::to_string(i) + " of " + std::to_string(count));
    }
    static void requireRange(int32_t i, int32_t n, int32_t size, const char* op) {
        if (i < 0 || n < 0 || static_cast<int64_t>(i) + n > size)
            raiseOutOfRange(std::string(op) + "(" + std::to_string(i) + ", " + std::to_string(n) +
                            ") of " + std::to_string(size));
    }
    static void requireFits(int64_t absoluteTotal) {
        if (absoluteTotal > std::numeric_limits<int32_t>::max())
            throw EngineError(ErrorNumber::Overflow,
                              "overflow: the total weight would exceed 2147483647");
    }
    [[noreturn]] static void raiseTooMany() {
        throw EngineError(ErrorNumber::Overflow, "overflow: too many elements");
    }
    static int64_t magnitude(int32_t w) { return std::llabs(static_cast<int64_t>(w)); }
    static size_t unsignedIndex(int32_t i) { return static_cast<size_t>(i); }

    // Storage for room slots; slots from count on hold no reference. A slot holds the
    // reference and the running sum only: an element's weight is the step between two
    // sums. Most lines hold one cell, so a single slot lives inside the array: its
    // reference where a block's address would be, and its sum, which is also its weight,
    // in weightOrTotal. Otherwise one block holds room references, then room sums, then,
    // for a large array, the state of its blocks (SlotBlocks).
    static constexpr size_t SlotBytes = sizeof(Ref) + sizeof(int32_t);
    using Blocked = SlotBlocks<Ref, Blocks>;

    bool isInline() const { return room == 1; }
    bool isBlocked() const { return Blocked::holds(room); }
    // The slots a storage for n elements takes.
    static int32_t roomFor(int32_t n) {
        if (!Blocked::holds(n))
            return n;
        const int64_t slotCount = Blocked::roomFor(n);
        if (slotCount > std::numeric_limits<int32_t>::max())
            raiseTooMany();
        return static_cast<int32_t>(slotCount);
    }
    std::byte* block() const {
        std::byte* start = nullptr;
        std::memcpy(&start, place, sizeof start);
        return start;
    }
    Ref* objects() const {
        if (room == 0)
            return nullptr;
        return std::launder(reinterpret_cast<Ref*>(isInline() ? place : block()));
    }
    int32_t* sums() const {
        if (isInline())
            return &weightOrTotal;
        return room == 0 ? nullptr
                         : reinterpret_cast<int32_t*>(block() + unsignedIndex(room) * sizeof(Ref));
    }
    Blocked blocked() const { return Blocked(block(), room); }

    // Where element i is kept: its place in the run, or in the blocks.
    size_t slot(int32_t i) const { return isBlocked() ? blocked().slotOf(i) : unsignedIndex(i); }
    Ref& refAt(int32_t i) const { return objects()[slot(i)]; }
    // The running sum of elements 0 .. i, and setting it.
    int32_t sumAt(int32_t i) const {
        return isBlocked() ? blocked().sumAt(i) : sums()[unsignedIndex(i)];
    }
    void setSumAt(int32_t i, int32_t sum) {
        if (isBlocked())
            blocked().setSumAt(i, sum);
        else
            sums()[unsignedIndex(i)] = sum;
    }
    // The sums of weights bounded by the absolute total fit 32 bits, and so their steps.
    int32_t weightOf(int32_t i) const {
        const int64_t before = i == 0 ? 0 : sumAt(i - 1);
        return static_cast<int32_t>(sumAt(i) - before);
    }
    // The sum of absolute weights: kept in a block's array, read off the one inline weight.
    int32_t absoluteTotal() const {
        if (!isInline())
            return weightOrTotal;
        return count == 0 ? 0 : static_cast<int32_t>(magnitude(weightOrTotal));
    }
    void setAbsoluteTotal(int64_t total) {
        if (!isInline())
            weightOrTotal = static_cast<int32_t>(total);
    }
    // Gives an array without storage the slots for n elements, all empty.
    void allocateStorage(int32_t n);
    void reallocate(int32_t newRoom);
    // Makes room for needed elements, growing towards capa in steps that keep appends
    // amortised: an array's storage exceeds its capacity only where reserved, or by less
    // than one of its blocks.
    void ensureRoom(int32_t needed) {
        if (needed > room)
            reallocate(std::min(capacity, std::max(needed, 2 * room)));
    }
    // Elements i .. size()-1 move up by m, their sums grow by added, and the m slots from i
    // are left empty for the caller to fill, sums included. The room is there.
    void openGap(int32_t i, int32_t m, int32_t added);
    // The m elements from i, already released, are closed over: the later ones move down by
    // m and their sums shrink by removed.
    void closeGap(int32_t i, int32_t m, int32_t removed);
    // The sums of elements from .. size()-1 change by delta.
    void shiftSums(int32_t from, int64_t delta);
    // Leaves the array without storage and its total at 0; count and capacity stay.
    void freeStorage() {
        if (room == 0)
            return;
        Ref* held = objects();
        for (int32_t k = 0; k < room; ++k)
            held[unsignedIndex(k)].~Ref();
        if (!isInline())
            const std::unique_ptr<std::byte[]> ending(block());
        std::memset(place, 0, sizeof place);
        room = 0;
        weightOrTotal = 0;
    }
    // Takes everything other holds into this array, which holds no storage.
    void take(OArray& other) {
        if (other.isInline()) {
            ::new (static_cast<void*>(place)) Ref(std::move(*other.objects()));
            other.objects()->~Ref();
        } else {
            std::memcpy(place, other.place, sizeof place);
        }
        std::memset(other.place, 0, sizeof other.place);
        count = std::exchange(other.count, 0);
        capacity = std::exchange(other.capacity, 0);
        room = std::exchange(other.room, 0);
        weightOrTotal = std::exchange(other.weightOrTotal, 0);
        making = std::exchange(other.making, {});
    }

    // The block's address, or the inline slot's reference.
    alignas(Ref) mutable std::byte place[std::max(sizeof(Ref), sizeof(std::byte*))] = {};
    int32_t count = 0;
    int32_t capacity = 0;
    int32_t room = 0; // slots of storage; at least count
    // With a block, the sum of absolute weights, refused past 32 bits; inline, the weight.
    mutable int32_t weightOrTotal = 0;
    [[no_unique_address]] std::conditional_t<MadeOnFirstRead<T>, MakerOf<T>, NoMaker> making;
};

template <class T, class Blocks> void OArray<T, Blocks>::allocateStorage(int32_t n) {
    if (n == 1) {
        ::new (static_cast<void*>(place)) Ref();
        room = 1;
        return;
    }
    const int32_t slotCount = roomFor(n);
    const bool inBlocks = Blocked::holds(slotCount);
    const size_t bytes =
        unsignedIndex(slotCount) * SlotBytes + (inBlocks ? Blocked::stateBytes(slotCount) : 0);
    auto fresh = std::make_unique_for_overwrite<std::byte[]>(bytes);
    auto* held = std::launder(reinterpret_cast<Ref*>(fresh.get()));
    for (int32_t k = 0; k < slotCount; ++k)
        ::new (static_cast<void*>(held + k)) Ref();
    if (inBlocks) { // a large array, filled faster in large pages
        Blocked(fresh.get(), slotCount).start();
        systemcalls::preferLargePages(fresh.get(), bytes);
    }
    std::byte* const start = fresh.release();
    std::memcpy(place, &start, sizeof start);
    room = slotCount;
}

// newRoom is at least count; the elements move over in order, with their sums.
template <class T, class Blocks> void OArray<T, Blocks>::reallocate(int32_t newRoom) {
    OArray moved;
    moved.allocateStorage(newRoom);
    moved.count = count;
    for (int32_t k = 0; k < count; ++k) {
        moved.refAt(k) = std::move(refAt(k));
        moved.setSumAt(k, sumAt(k));
    }
    moved.capacity = capacity;
    moved.setAbsoluteTotal(absoluteTotal());
    moved.making = making;
    freeStorage();
    take(moved);
}

template <class T, class Blocks> void OArray<T, Blocks>::resize(int32_t n) {
    if (n < 0 || (n > 0 && n < count)) // only resize(0) may drop elements
        raiseOutOfRange("resize(" + std::to_string(n) + ") of " + std::to_string(count));
    if (n == capacity)
        return;
    if (n == 0) {
        freeStorage();
        capacity = 0;
        count = 0;
        return;
    }
    // Growing keeps room reserved beyond the new capacity; shrinking gives it back.
    const bool shrinking = n < capacity;
    capacity = n;
    if (shrinking && room > roomFor(n))
        reallocate(n);
}

template <class T, class Blocks> void OArray<T, Blocks>::reserve(int32_t n) {
    if (n < 0)
        raiseOutOfRange("reserve(" + std::to_string(n) + ")");
    if (n > room)
        reallocate(n);
}

template <class T, class Blocks>
void OArray<T, Blocks>::openGap(int32_t i, int32_t m, int32_t added) {
    if (isBlocked()) {
        blocked().insertAt(i, m, added, count);
    } else {
        Ref* const held = objects();
        int32_t* const sum = sums();
        for (int32_t j = count - 1; j >= i; --j) {
            held[unsignedIndex(j + m)] = std::move(held[unsignedIndex(j)]);
            sum[unsignedIndex(j + m)] = wrappingSum(sum[unsignedIndex(j)], added);
        }
    }
    count += m;
}

template <class T, class Blocks>
void OArray<T, Blocks>::closeGap(int32_t i, int32_t m, int32_t removed) {
    if (isBlocked()) {
        blocked().removeAt(i, m, removed, count);
    } else {
        Ref* const held = objects();
        int32_t* const sum = sums();
        for (int32_t k = i; k + m < count; ++k) {
            held[unsignedIndex(k)] = std::move(held[unsignedIndex(k + m)]);
            sum[unsignedIndex(k)] = wrappingSum(sum[unsignedIndex(k + m)], -int64_t{removed});
        }
    }
    count -= m;
}

template <class T, class Blocks> void OArray<T, Blocks>::shiftSums(int32_t from, int64_t delta) {
    if (delta == 0 || from >= count)
        return;
    if (isBlocked())
        return blocked().shiftSums(from, delta, count);
    int32_t* const sum = sums();
    for (int32_t k = from; k < count; ++k)
        sum[unsignedIndex(k)] = wrappingSum(sum[unsignedIndex(k)], delta);
}

template <class T, class Blocks> void OArray<T, Blocks>::ins(int32_t i, Ref o, int32_t w) {
    requireRange(i, 0, count, "ins");
    const int64_t newAbsolute = absoluteTotal() + magnitude(w);
    requireFits(newAbsolute);
    if (count == capacity) {
        if (capacity > std::numeric_limits<int32_t>::max() / 2)
            raiseTooMany();
        resize(capacity == 0 ? 8 : 2 * capacity);
    }
    ensureRoom(count + 1);
    if (isBlocked()) {
        objects()[blocked().insertOne(i, w, count++)] = std::move(o);
    } else {
        const int32_t before = i == 0 ? 0 : sumAt(i - 1);
        openGap(i, 1, w);
        refAt(i) = std::move(o);
        setSumAt(i, wrappingSum(before, w));
    }
    setAbsoluteTotal(newAbsolute);
}

template <class T, class Blocks> void OArray<T, Blocks>::insArr(int32_t i, const OArray& a) {
    requireRange(i, 0, count, "insArr");
    const int32_t m = a.count;
    if (m == 0)
        return;
    a.makeAll();
    if (&a == this) { // inserting an array into itself: work from a snapshot
        OArray copy;
        copy.reserve(m);
        for (int32_t k = 0; k < m; ++k)
            copy.add(a.refAt(k), a.weightOf(k));
        insArr(i, copy);
        return;
    }
    const int64_t newAbsolute = static_cast<int64_t>(absoluteTotal()) + a.absoluteTotal();
    requireFits(newAbsolute);
    const int64_t needed = static_cast<int64_t>(count) + m;
    if (needed > std::numeric_limits<int32_t>::max() / 2)
        raiseTooMany();
    const auto d = static_cast<int32_t>(needed);
    if (capacity < d)
        resize(d <= 7 ? 8 : (2 * capacity < d ? d : 2 * capacity));
    ensureRoom(d);
    const int32_t added = a.weiacc(m);
    const int32_t before = i == 0 ? 0 : sumAt(i - 1);
    openGap(i, m, added);
    for (int32_t j = 0; j < m; ++j) {
        refAt(i + j) = a.refAt(j);
        setSumAt(i + j, wrappingSum(before, a.sumAt(j)));
    }
    setAbsoluteTotal(newAbsolute);
}

template <class T, class Blocks> void OArray<T, Blocks>::del(int32_t i, int32_t n) {
    requireRange(i, n, count, "del");
    if (n == 0)
        return;
    const int32_t s = count - n;
    const int32_t removed = weiacc(i + n) - weiacc(i);
    int64_t newAbsolute = absoluteTotal();
    for (int32_t k = i; k < i + n; ++k)
        newAbsolute -= magnitude(weightOf(k));
    for (int32_t k = i; k < i + n; ++k)
        refAt(k).reset();
    closeGap(i, n, removed);
    setAbsoluteTotal(newAbsolute);
    if (s <= capacity / 2) {
        if (s == 0) {
            resize(0);
        } else {
            int32_t b = capacity;
            while (b >= 8 && b >= s)
                b /= 2;
            // An odd capacity (left by a bulk insert) would halve to 2b = s - 1 and
            // drop the last element; never shrink below what is held.
            resize(std::max(2 * b, s));
        }
    }
}

template <class T, class Blocks> void OArray<T, Blocks>::setWei(int32_t i, int32_t w) {
    requireElement(i);
    const int32_t old = weightOf(i);
    if (old == w)
        return;
    const int64_t newAbsolute = absoluteTotal() - magnitude(old) + magnitude(w);
    requireFits(newAbsolute);
    // Every sum afterwards fits, but a weight changing sign may move them by 2^31.
    shiftSums(i, static_cast<int64_t>(w) - old);
    setAbsoluteTotal(newAbsolute);
}

// The element whose span [weiacc(k), weiacc(k + 1)) contains w. A boundary belongs
// to the element that starts there, so zero-weight elements are never returned;
// w at or past the total gives size(), and a negative w gives -1.
template <class T, class Blocks> int32_t OArray<T, Blocks>::atwei(int32_t w) const {
    if (w < 0)
        return -1;
    int32_t lo = 0, hi = count;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (w < sumAt(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Sets the weights of elements i .. i+n-1 from ws, then carries the running sums on
// only where their total changed: re-measuring a few elements whose total is unchanged
// costs only those elements.
template <class T, class Blocks>
void OArray<T, Blocks>::weiset(int32_t i, int32_t n, std::span<const int32_t> ws) {
    requireRange(i, n, count, "weiset");
    if (static_cast<size_t>(n) > ws.size())
        raiseOutOfRange("weiset needs " + std::to_string(n) + " weights, got " +
                        std::to_string(ws.size()));
    if (n == 0)
        return;
    int64_t newAbsolute = absoluteTotal();
    for (int32_t k = 0; k < n; ++k)
        newAbsolute += magnitude(ws[unsignedIndex(k)]) - magnitude(weightOf(i + k));
    requireFits(newAbsolute);
    const int32_t oldEnd = sumAt(i + n - 1);
    int32_t a = weiacc(i);
    for (int32_t k = 0; k < n; ++k) {
        a += ws[unsignedIndex(k)];
        setSumAt(i + k, a);
    }
    // Every later sum moves by as much as the last one set; the results fit, as above.
    shiftSums(i + n, static_cast<int64_t>(a) - oldEnd);
    setAbsoluteTotal(newAbsolute);
}
