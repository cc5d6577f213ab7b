#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

// How a weighted array keeps its slots. Up to 2^flatShift slots, as nearly every array (a
// line's cells) has, they lie in one run. A larger array keeps them in blocks of
// 2^blockShift(k) slots, for a room of at most 2^k slots, with a gap that opens gapSlots
// slots at a time (see SlotBlocks).
struct StorageBlocks {
    static constexpr int flatShift = 12;
    static constexpr int blockShift(int roomShift) { return roomShift / 2 + 3; }
    static constexpr int32_t gapSlots = 64;
};

// Sums wrap as unsigned 32-bit numbers where a share of them is added or taken away:
// whatever the parts, each sum they make fits, so it comes out exact.
inline int32_t wrappingSum(int32_t a, int64_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The slots of a large weighted array, seen through their storage: room references, room
// stored sums, the state of each block, then where the gap and the step stand.
//
// Each block is a ring with its own start and its own share of the running sums, so that
// opening or closing k slots in the middle moves the slots of one block and passes k on
// through each later block: O(sqrt(n)) for a few, instead of moving every later slot. A gap
// of empty slots stands where the last insertion or removal was, so that the next one
// there takes or gives slots without moving any; and the elements from the step on lack
// one more share of their sums, which an edit there changes alone. An edit near the last
// one costs O(1); one far from it moves the gap and the step there once, O(sqrt(n)).
//
// Positions along the blocks, gap included, are "places": element i is at place i before
// the gap and at place i + the gap's size after it.
template <class Ref, class Blocks> class SlotBlocks {
public:
    static constexpr int32_t flatMost = int32_t{1} << Blocks::flatShift;
    static_assert(Blocks::flatShift >= 1 && Blocks::flatShift < 30);

    // Whether a storage of room slots is kept in blocks.
    static bool holds(int32_t room) { return room > flatMost; }
    // The slots a blocked storage for n elements takes: whole blocks. They stay within the
    // same power of two, so the blocks' size read back from them agrees.
    static int64_t roomFor(int32_t n) {
        const int64_t blockSlots = int64_t{1} << shiftFor(n);
        return (n + blockSlots - 1) / blockSlots * blockSlots;
    }
    // The bytes a blocked storage of room slots takes past its references and sums.
    static size_t stateBytes(int32_t room) {
        return static_cast<size_t>(room >> shiftFor(room)) * sizeof(BlockState) + sizeof(Roaming);
    }

    SlotBlocks(std::byte* storage, int32_t room)
        : shift(shiftFor(room)), blockSlots(int32_t{1} << shift),
          mask(static_cast<uint32_t>(blockSlots) - 1), slotCount(room),
          refs(std::launder(reinterpret_cast<Ref*>(storage))),
          sums(reinterpret_cast<int32_t*>(storage + static_cast<size_t>(room) * sizeof(Ref))),
          states(reinterpret_cast<BlockState*>(storage + static_cast<size_t>(room) *
                                                             (sizeof(Ref) + sizeof(int32_t)))),
          roaming(reinterpret_cast<Roaming*>(states + (room >> shift))) {}

    // Starts the states of a fresh storage: every ring at its start, no gap, no step.
    void start() {
        for (int32_t c = 0; c < (slotCount >> shift); ++c)
            ::new (static_cast<void*>(states + c)) BlockState();
        ::new (static_cast<void*>(roaming)) Roaming();
    }

    size_t slotOf(int32_t i) const { return slotOfPlace(placeOf(i)); }
    int32_t sumAt(int32_t i) const {
        const int32_t place = placeOf(i);
        return wrappingSum(sums[slotOfPlace(place)], int64_t{shareOf(place)} + stepOf(i));
    }
    void setSumAt(int32_t i, int32_t sum) {
        const int32_t place = placeOf(i);
        sums[slotOfPlace(place)] = wrappingSum(sum, -(int64_t{shareOf(place)} + stepOf(i)));
    }

    // Makes room for m elements before element i of count: afterwards elements i .. i+m-1
    // are empty slots, whose sums the caller sets, and the elements that were from i on
    // stand m later, their sums grown by added. The room for them is there.
    void insertAt(int32_t i, int32_t m, int32_t added, int32_t count) {
        Roaming& at = *roaming;
        if (i == count && at.gapAt == count && at.gapSize >= m && at.stepAt >= count) {
            at.gapAt += m; // an append into the room at the end, as loading makes them
            at.gapSize -= m;
            at.stepAt = count + m;
            at.stepDelta = 0;
            return;
        }
        moveStepTo(i, count);
        makeGap(i, m, count);
        roaming->gapAt += m;
        roaming->gapSize -= m;
        roaming->stepAt = i + m; // the new elements lack nothing, those after them added more
        roaming->stepDelta = i == count ? 0 : wrappingSum(roaming->stepDelta, added);
    }
    // insertAt for one element of weight w, whose sum it sets: the slot for its reference.
    size_t insertOne(int32_t i, int32_t w, int32_t count) {
        const int32_t before = i == 0 ? 0 : sumAt(i - 1);
        insertAt(i, 1, w, count);
        const size_t slot = slotOfPlace(i); // before the gap
        sums[slot] = wrappingSum(before, int64_t{w} - shareOf(i));
        return slot;
    }
    // Elements i .. i+m-1 of count, already released, join the gap; those after them move
    // down by m, their sums shrunk by removed.
    void removeAt(int32_t i, int32_t m, int32_t removed, int32_t count) {
        moveStepTo(i, count);
        moveGapTo(i, count);
        roaming->gapSize += m;
        roaming->stepDelta = wrappingSum(roaming->stepDelta, -int64_t{removed});
    }
    // The sums of elements from .. count-1 change by delta.
    void shiftSums(int32_t from, int64_t delta, int32_t count) {
        moveStepTo(from, count);
        roaming->stepDelta = wrappingSum(roaming->stepDelta, delta);
    }

private:
    // Where a block's ring starts, and the share of the sums its stored sums lack.
    struct BlockState {
        uint32_t head = 0;
        int32_t share = 0;
    };
    // The gap's slots come before element gapAt; elements from stepAt on lack stepDelta.
    struct Roaming {
        int32_t gapAt = 0;
        int32_t gapSize = 0;
        int32_t stepAt = 0;
        int32_t stepDelta = 0;
    };

    static int shiftFor(int32_t room) {
        return Blocks::blockShift(
            static_cast<int>(std::bit_width(static_cast<uint32_t>(room - 1))));
    }
    int32_t placeOf(int32_t i) const { return i < roaming->gapAt ? i : i + roaming->gapSize; }
    uint32_t blockOf(int32_t place) const { return static_cast<uint32_t>(place) >> shift; }
    int32_t blockStart(uint32_t c) const { return static_cast<int32_t>(c << shift); }
    // Where a place of block c lies, as c's ring starts at head.
    size_t slotIn(uint32_t c, uint32_t head, int32_t place) const {
        return size_t{c} << shift | ((head + static_cast<uint32_t>(place)) & mask);
    }
    size_t slotOfPlace(int32_t place) const {
        const uint32_t c = blockOf(place);
        return slotIn(c, states[c].head, place);
    }
    int32_t shareOf(int32_t place) const { return states[blockOf(place)].share; }
    int32_t stepOf(int32_t i) const { return i >= roaming->stepAt ? roaming->stepDelta : 0; }

    // The element in slot from moves to slot to, taking its sum over from fromShare's block
    // to toShare's, and leaves its slot empty.
    void moveSlot(size_t from, int32_t fromShare, size_t to, int32_t toShare) {
        refs[to] = std::move(refs[from]);
        sums[to] = wrappingSum(sums[from], int64_t{fromShare} - toShare);
    }
    void movePlace(int32_t from, int32_t to) {
        moveSlot(slotOfPlace(from), shareOf(from), slotOfPlace(to), shareOf(to));
    }
    // Places first .. end-1, all in block c, move by m within it, in an order that never
    // overwrites one still to move.
    void moveInBlock(uint32_t c, int32_t first, int32_t end, int32_t m) {
        const uint32_t head = states[c].head;
        const auto move = [&](int32_t place) {
            const size_t from = slotIn(c, head, place), to = slotIn(c, head, place + m);
            refs[to] = std::move(refs[from]);
            sums[to] = sums[from];
        };
        if (m > 0)
            for (int32_t place = end - 1; place >= first; --place)
                move(place);
        else
            for (int32_t place = first; place < end; ++place)
                move(place);
    }

    void moveStepTo(int32_t i, int32_t count);
    void addToStored(int32_t first, int32_t end, int64_t delta);
    void addToPlaces(int32_t first, int32_t end, int64_t delta);
    void moveGapTo(int32_t i, int32_t count);
    void makeGap(int32_t i, int32_t m, int32_t count);
    void openPlaces(int32_t at, int32_t m, int32_t used);
    void closePlaces(int32_t at, int32_t m, int32_t used);

    int shift;
    int32_t blockSlots;
    uint32_t mask;
    int32_t slotCount;
    Ref* refs;
    int32_t* sums;
    BlockState* states;
    Roaming* roaming;
};

// The elements between the step and i leave it, or come under it; far apart, whole blocks
// take it in their shares.
template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::moveStepTo(int32_t i, int32_t count) {
    Roaming& at = *roaming;
    if (at.stepDelta != 0 && i != at.stepAt) {
        const int32_t first = std::min(i, at.stepAt), end = std::min(std::max(i, at.stepAt), count);
        addToStored(first, end, i > at.stepAt ? at.stepDelta : -int64_t{at.stepDelta});
    }
    at.stepAt = i;
}

template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::addToStored(int32_t first, int32_t end, int64_t delta) {
    if (end - first <= blockSlots) {
        for (int32_t i = first; i < end; ++i) {
            const size_t slot = slotOf(i);
            sums[slot] = wrappingSum(sums[slot], delta);
        }
        return;
    }
    const Roaming& at = *roaming;
    addToPlaces(first, std::min(end, at.gapAt), delta);
    addToPlaces(std::max(first, at.gapAt) + at.gapSize, end + at.gapSize, delta);
}

template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::addToPlaces(int32_t first, int32_t end, int64_t delta) {
    for (int32_t place = first; place < end;) {
        const uint32_t c = blockOf(place);
        const int32_t blockEnd = blockStart(c) + blockSlots;
        if (place == blockStart(c) && blockEnd <= end) {
            states[c].share = wrappingSum(states[c].share, delta);
            place = blockEnd;
            continue;
        }
        for (const uint32_t head = states[c].head; place < std::min(end, blockEnd); ++place) {
            const size_t slot = slotIn(c, head, place);
            sums[slot] = wrappingSum(sums[slot], delta);
        }
    }
}

// Within a block's length the elements between move across the gap, at most what closing
// and opening it again would move; farther, or where removals made it large, the gap
// closes, to open at i when wanted.
template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::moveGapTo(int32_t i, int32_t count) {
    Roaming& at = *roaming;
    const int32_t size = at.gapSize;
    if (size == 0 || i == at.gapAt) {
        at.gapAt = size == 0 ? i : at.gapAt;
        return;
    }
    if (size > Blocks::gapSlots || std::abs(int64_t{i} - at.gapAt) > blockSlots) {
        closePlaces(at.gapAt, size, count + size);
        at.gapAt = i;
        at.gapSize = 0;
        return;
    }
    if (i < at.gapAt)
        for (int32_t place = at.gapAt - 1; place >= i; --place)
            movePlace(place, place + size);
    else
        for (int32_t place = at.gapAt; place < i; ++place)
            movePlace(place + size, place);
    at.gapAt = i;
}

// The gap at i grows to m slots at least, gapSlots at a time where the room allows; at the
// end, where no element follows to move, to all the room there is.
template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::makeGap(int32_t i, int32_t m, int32_t count) {
    moveGapTo(i, count);
    Roaming& at = *roaming;
    if (at.gapSize >= m)
        return;
    if (i == count) {
        at.gapSize = slotCount - count;
        return;
    }
    const int32_t used = count + at.gapSize;
    const int32_t added = std::max(m - at.gapSize, std::min(Blocks::gapSlots, slotCount - used));
    openPlaces(at.gapAt + at.gapSize, added, used);
    at.gapSize += added;
}

// Places at .. used-1 move up by m, leaving m empty slots at at. Each later block's ring
// turns back by m: its last m go on to the next block, the last m of the block before
// come in at its front. The block holding at moves its own places from at. A gap of a
// block or more moves every place after it instead.
template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::openPlaces(int32_t at, int32_t m, int32_t used) {
    const int32_t newUsed = used + m;
    if (m >= blockSlots) {
        for (int32_t place = used - 1; place >= at; --place)
            movePlace(place, place + m);
        return;
    }
    const uint32_t first = blockOf(at);
    for (uint32_t c = blockOf(newUsed - 1); c > first; --c) {
        BlockState& ring = states[c];
        const BlockState before = states[c - 1];
        ring.head = (ring.head - static_cast<uint32_t>(m)) & mask;
        const int32_t start = blockStart(c);
        for (int32_t place = std::max(start, at + m); place < std::min(start + m, newUsed); ++place)
            moveSlot(slotIn(c - 1, before.head, place - m), before.share,
                     slotIn(c, ring.head, place), ring.share);
    }
    moveInBlock(first, at, std::min(used, blockStart(first) + blockSlots - m), m);
}

// The mirror of openPlaces: places at+m .. used-1 move down by m over the empty slots at
// at. Each later block gives its first m places to the block before and its ring turns on
// by m, taking the next block's first m at its end.
template <class Ref, class Blocks>
void SlotBlocks<Ref, Blocks>::closePlaces(int32_t at, int32_t m, int32_t used) {
    const int32_t newUsed = used - m;
    if (m >= blockSlots) {
        for (int32_t place = at + m; place < used; ++place)
            movePlace(place, place - m);
        return;
    }
    const uint32_t first = blockOf(at);
    const int32_t firstEnd = blockStart(first) + blockSlots;
    moveInBlock(first, at + m, std::min(used, firstEnd), -m);
    const uint32_t last = blockOf(used - 1);
    for (uint32_t c = first; c <= last; ++c) {
        // Block c's last m places come from the front of block c + 1, whose ring has not
        // turned yet; block c's own has, unless it is the first, which keeps its ring.
        BlockState& ring = states[c];
        if (c > first)
            ring.head = (ring.head + static_cast<uint32_t>(m)) & mask;
        if (c == last)
            break;
        const BlockState after = states[c + 1];
        const int32_t end = blockStart(c + 1);
        for (int32_t place = std::max(at, end - m); place < std::min(end, newUsed); ++place)
            moveSlot(slotIn(c + 1, after.head, place + m), after.share, slotIn(c, ring.head, place),
                     ring.share);
    }
}
