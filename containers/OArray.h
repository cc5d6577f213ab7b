#pragma once

#include "containers/Ref.h"
#include "support/EngineError.h"

#include <algorithm>
#include <bit>
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

// How a weighted array keeps its slots. Up to 2^flatShift slots, as nearly every array (a
// line's cells) has, they lie in one run. A larger array keeps them in blocks of
// 2^blockShift(k) slots, for a room of at most 2^k slots: each block a ring with its own
// start and its own share of the running sums, so that an insertion or a removal moves the
// slots of one block and passes a few on through each later block, O(sqrt(n)), instead of
// moving every slot after it.
struct StorageBlocks {
    static constexpr int flatShift = 16;
    static constexpr int blockShift(int roomShift) { return roomShift / 2 + 3; }
};

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
    // Sums wrap as unsigned 32-bit numbers where a block's share is added or taken away:
    // whatever the parts, each sum they make fits, so it comes out exact.
    static int32_t wrappingSum(int32_t a, int64_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    }

    // Storage for room slots; slots from count on hold no reference. A slot holds the
    // reference and the running sum only: an element's weight is the step between two
    // sums. Most lines hold one cell, so a single slot lives inside the array: its
    // reference where a block's address would be, and its sum, which is also its weight,
    // in weightOrTotal. Otherwise one block holds room references, then room sums, then,
    // past flatMost slots, the state of each block of slots.
    static constexpr size_t SlotBytes = sizeof(Ref) + sizeof(int32_t);
    static constexpr int32_t flatMost = int32_t{1} << Blocks::flatShift;
    // Where a block's ring starts, and what its elements' sums lack: a stored sum plus
    // its block's share is the running sum.
    struct BlockState {
        uint32_t head = 0;
        int32_t share = 0;
    };
    static_assert(Blocks::flatShift >= 1 && Blocks::flatShift < 30);

    bool isInline() const { return room == 1; }
    bool isBlocked() const { return room > flatMost; }
    // The shift of the blocks of a blocked storage of slotCount slots (more than flatMost).
    static int shiftFor(int32_t slotCount) {
        return Blocks::blockShift(std::bit_width(static_cast<uint32_t>(slotCount - 1)));
    }
    // The slots a storage for n elements takes: a blocked one takes whole blocks. They
    // stay within the same power of two, so the blocks' size read back from them agrees.
    static int32_t roomFor(int32_t n) {
        if (n <= flatMost)
            return n;
        const int64_t blockSlots = int64_t{1} << shiftFor(n);
        const int64_t slotCount = (n + blockSlots - 1) / blockSlots * blockSlots;
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
    // The blocks of a blocked storage: their size and states.
    struct Rings {
        int shift;
        uint32_t mask;
        BlockState* state;

        static uint32_t blockOf(int32_t i, int shift) { return static_cast<uint32_t>(i) >> shift; }
        // Where element i of block c lies, as c's ring starts at head.
        size_t slotIn(uint32_t c, uint32_t head, int32_t i) const {
            return size_t{c} << shift | ((head + static_cast<uint32_t>(i)) & mask);
        }
        size_t slotOf(int32_t i) const {
            const uint32_t c = blockOf(i, shift);
            return slotIn(c, state[c].head, i);
        }
        int32_t shareOf(int32_t i) const { return state[blockOf(i, shift)].share; }
    };
    Rings rings() const {
        const int shift = shiftFor(room);
        return {shift, (uint32_t{1} << shift) - 1,
                reinterpret_cast<BlockState*>(block() + unsignedIndex(room) * SlotBytes)};
    }

    // Where element i is kept: its place in the run, or in its block's ring.
    size_t slot(int32_t i) const { return isBlocked() ? rings().slotOf(i) : unsignedIndex(i); }
    Ref& refAt(int32_t i) const { return objects()[slot(i)]; }
    int32_t shareOf(int32_t i) const { return isBlocked() ? rings().shareOf(i) : 0; }
    // The running sum of elements 0 .. i, and setting it.
    int32_t sumAt(int32_t i) const { return wrappingSum(sums()[slot(i)], shareOf(i)); }
    void setSumAt(int32_t i, int32_t sum) {
        sums()[slot(i)] = wrappingSum(sum, -int64_t{shareOf(i)});
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
    void openGapInBlocks(int32_t i, int32_t m, int32_t added);
    // The m elements from i, already released, are closed over: the later ones move down by
    // m and their sums shrink by removed.
    void closeGap(int32_t i, int32_t m, int32_t removed);
    void closeGapInBlocks(int32_t i, int32_t m, int32_t removed);
    // The sums of elements from .. size()-1 change by delta.
    void shiftSums(int32_t from, int64_t delta);
    // The element in slot fromSlot moves to slot toSlot, its running sum changed by delta,
    // and leaves its slot empty. The shares are those of the two slots' blocks.
    void moveSlot(size_t fromSlot, int32_t fromShare, size_t toSlot, int32_t toShare,
                  int64_t delta) {
        int32_t* const sum = sums();
        objects()[toSlot] = std::move(objects()[fromSlot]);
        sum[toSlot] = wrappingSum(sum[fromSlot], delta + fromShare - int64_t{toShare});
    }
    // Elements from .. end-1 move by m, wherever that takes them, in an order that never
    // overwrites one still to move; the rings stay as they are.
    void moveEach(const Rings& r, int32_t from, int32_t end, int32_t m, int64_t delta);
    // The same within block c: the elements stay in it.
    void moveInBlock(const Rings& r, uint32_t c, int32_t from, int32_t end, int32_t m,
                     int64_t delta);
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
    const size_t blocks =
        slotCount > flatMost ? unsignedIndex(slotCount >> shiftFor(slotCount)) : 0;
    const size_t bytes = unsignedIndex(slotCount) * SlotBytes + blocks * sizeof(BlockState);
    auto fresh = std::make_unique_for_overwrite<std::byte[]>(bytes);
    auto* held = std::launder(reinterpret_cast<Ref*>(fresh.get()));
    for (int32_t k = 0; k < slotCount; ++k)
        ::new (static_cast<void*>(held + k)) Ref();
    auto* state = reinterpret_cast<BlockState*>(fresh.get() + unsignedIndex(slotCount) * SlotBytes);
    for (size_t k = 0; k < blocks; ++k)
        ::new (static_cast<void*>(state + k)) BlockState();
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
    if (isBlocked())
        return openGapInBlocks(i, m, added);
    Ref* const held = objects();
    int32_t* const sum = sums();
    for (int32_t j = count - 1; j >= i; --j) {
        held[unsignedIndex(j + m)] = std::move(held[unsignedIndex(j)]);
        sum[unsignedIndex(j + m)] = wrappingSum(sum[unsignedIndex(j)], added);
    }
    count += m;
}

template <class T, class Blocks>
void OArray<T, Blocks>::moveEach(const Rings& r, int32_t from, int32_t end, int32_t m,
                                 int64_t delta) {
    const auto move = [&](int32_t j) {
        moveSlot(r.slotOf(j), r.shareOf(j), r.slotOf(j + m), r.shareOf(j + m), delta);
    };
    if (m > 0)
        for (int32_t j = end - 1; j >= from; --j)
            move(j);
    else
        for (int32_t j = from; j < end; ++j)
            move(j);
}

template <class T, class Blocks>
void OArray<T, Blocks>::moveInBlock(const Rings& r, uint32_t c, int32_t from, int32_t end,
                                    int32_t m, int64_t delta) {
    Ref* const held = objects();
    int32_t* const sum = sums();
    const uint32_t head = r.state[c].head;
    const auto move = [&](int32_t j) {
        const size_t fromSlot = r.slotIn(c, head, j), toSlot = r.slotIn(c, head, j + m);
        held[toSlot] = std::move(held[fromSlot]);
        sum[toSlot] = wrappingSum(sum[fromSlot], delta);
    };
    if (m > 0)
        for (int32_t j = end - 1; j >= from; --j)
            move(j);
    else
        for (int32_t j = from; j < end; ++j)
            move(j);
}

// Each later block's ring turns back by m: its last m elements go on to the next block, the
// last m of the block before come in at its front, and its share of the sums grows. The
// block holding i moves its own elements from i. A gap of a block or more moves every
// element after it instead.
template <class T, class Blocks>
void OArray<T, Blocks>::openGapInBlocks(int32_t i, int32_t m, int32_t added) {
    const Rings r = rings();
    const int32_t blockSlots = int32_t{1} << r.shift;
    const int32_t oldCount = count, newCount = count + m;
    count = newCount;
    if (m >= blockSlots)
        return moveEach(r, i, oldCount, m, added);
    const uint32_t first = Rings::blockOf(i, r.shift);
    for (uint32_t c = Rings::blockOf(newCount - 1, r.shift); c > first; --c) {
        const auto blockStart = static_cast<int32_t>(c << r.shift);
        BlockState& ring = r.state[c];
        const BlockState before = r.state[c - 1];
        ring.head = (ring.head - static_cast<uint32_t>(m)) & r.mask;
        ring.share = wrappingSum(ring.share, added);
        for (int32_t p = std::max(blockStart, i + m); p < std::min(blockStart + m, newCount); ++p)
            moveSlot(r.slotIn(c - 1, before.head, p - m), before.share, r.slotIn(c, ring.head, p),
                     ring.share, added);
    }
    const auto firstEnd = static_cast<int32_t>((first + 1) << r.shift);
    moveInBlock(r, first, i, std::min(oldCount, firstEnd - m), m, added);
}

template <class T, class Blocks>
void OArray<T, Blocks>::closeGap(int32_t i, int32_t m, int32_t removed) {
    if (isBlocked())
        return closeGapInBlocks(i, m, removed);
    Ref* const held = objects();
    int32_t* const sum = sums();
    for (int32_t k = i; k + m < count; ++k) {
        held[unsignedIndex(k)] = std::move(held[unsignedIndex(k + m)]);
        sum[unsignedIndex(k)] = wrappingSum(sum[unsignedIndex(k + m)], -int64_t{removed});
    }
    count -= m;
}

// The mirror of openGapInBlocks: each later block gives its first m elements to the block
// before and its ring turns on by m, taking the next block's first m at its end.
template <class T, class Blocks>
void OArray<T, Blocks>::closeGapInBlocks(int32_t i, int32_t m, int32_t removed) {
    const Rings r = rings();
    const int32_t blockSlots = int32_t{1} << r.shift;
    const int32_t oldCount = count, newCount = count - m;
    const int64_t delta = -int64_t{removed};
    count = newCount;
    if (m >= blockSlots)
        return moveEach(r, i + m, oldCount, -m, delta);
    const uint32_t first = Rings::blockOf(i, r.shift);
    const auto firstEnd = static_cast<int32_t>((first + 1) << r.shift);
    moveInBlock(r, first, i + m, std::min(oldCount, firstEnd), -m, delta);
    const uint32_t lastBlock = Rings::blockOf(oldCount - 1, r.shift);
    for (uint32_t c = first; c <= lastBlock; ++c) {
        // Block c's last m elements come from the front of block c + 1, not laid out anew
        // yet; block c itself is, unless it is the first, which keeps its ring.
        BlockState& ring = r.state[c];
        if (c > first) {
            ring.head = (ring.head + static_cast<uint32_t>(m)) & r.mask;
            ring.share = wrappingSum(ring.share, delta);
        }
        if (c == lastBlock)
            break;
        const BlockState after = r.state[c + 1];
        const auto blockEnd = static_cast<int32_t>((c + 1) << r.shift);
        for (int32_t p = std::max(i, blockEnd - m); p < std::min(blockEnd, newCount); ++p)
            moveSlot(r.slotIn(c + 1, after.head, p + m), after.share, r.slotIn(c, ring.head, p),
                     ring.share, delta);
    }
}

// Within the block holding from, each sum changes; every later block's share does.
template <class T, class Blocks> void OArray<T, Blocks>::shiftSums(int32_t from, int64_t delta) {
    if (delta == 0 || from >= count)
        return;
    int32_t* const sum = sums();
    if (!isBlocked()) {
        for (int32_t k = from; k < count; ++k)
            sum[unsignedIndex(k)] = wrappingSum(sum[unsignedIndex(k)], delta);
        return;
    }
    const Rings r = rings();
    const uint32_t first = Rings::blockOf(from, r.shift);
    const uint32_t head = r.state[first].head;
    const int32_t firstEnd = std::min(count, static_cast<int32_t>((first + 1) << r.shift));
    for (int32_t k = from; k < firstEnd; ++k) {
        const size_t at = r.slotIn(first, head, k);
        sum[at] = wrappingSum(sum[at], delta);
    }
    for (uint32_t c = first + 1; c <= Rings::blockOf(count - 1, r.shift); ++c)
        r.state[c].share = wrappingSum(r.state[c].share, delta);
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
    const int32_t before = i == 0 ? 0 : sumAt(i - 1);
    openGap(i, 1, w);
    refAt(i) = std::move(o);
    setSumAt(i, wrappingSum(before, w));
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
