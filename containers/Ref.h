#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// Records shared by reference carry their own count, so a reference is one pointer
// and a record one block. A record made by a RecordArena lives inside one of the
// arena's chunks: the chunk is freed when the last of its records goes.
class RefCounted {
public:
    RefCounted() = default;
    // A copy is a new record: it starts uncounted and outside any arena, with the bit of
    // the record it copies.
    RefCounted(const RefCounted& other) noexcept : refs(other.refs & RecordBit) {}
    RefCounted& operator=(const RefCounted& other) noexcept {
        setRecordBit(other.recordBit());
        return *this;
    }

protected:
    // One bit of the count's word is the record's own, so that a small record need not grow
    // for a flag: no record is referred to 2^30 times.
    bool recordBit() const { return (refs & RecordBit) != 0; }
    void setRecordBit(bool on) { refs = on ? refs | RecordBit : refs & ~RecordBit; }

private:
    template <class> friend class Ref;
    friend class RecordArena;
    static constexpr uint32_t InArena = 0x80000000u;
    static constexpr uint32_t RecordBit = 0x40000000u;
    static constexpr uint32_t CountMask = ~(InArena | RecordBit);
    mutable uint32_t refs = 0; // InArena, the record's bit, and the number of references
};

// Where arena chunks come from. A block of its own per aligned chunk costs the allocator
// about a chunk's size again in the gaps it leaves, so a slab is one plain block that holds
// several aligned chunks, with its header at its start. It is freed when the last of its
// chunks goes; the pages of chunks never handed out are never touched.
class ArenaSlab {
public:
    static constexpr size_t MostChunks = 32;

    static ArenaSlab* create(size_t chunkBytes, size_t chunkCount) {
        const size_t bytes = sizeof(ArenaSlab) + chunkBytes - 1 + chunkCount * chunkBytes;
        void* memory = ::operator new(bytes);
        const uintptr_t first =
            (reinterpret_cast<uintptr_t>(memory) + sizeof(ArenaSlab) + chunkBytes - 1) &
            ~(chunkBytes - 1);
        return ::new (memory)
            ArenaSlab(reinterpret_cast<std::byte*>(first), chunkBytes, chunkCount);
    }
    // The next chunk's memory, or null when every chunk has been handed out.
    void* takeChunk() {
        if (handedOut == chunkCount)
            return nullptr;
        ++live;
        return next + chunkBytes * handedOut++;
    }
    // A chunk, or the arena's hold while it carves the slab, is gone.
    void release() {
        if (--live != 0)
            return;
        this->~ArenaSlab();
        ::operator delete(static_cast<void*>(this));
    }

private:
    ArenaSlab(std::byte* firstChunk, size_t bytesPerChunk, size_t count)
        : next(firstChunk), chunkBytes(bytesPerChunk), chunkCount(count) {}

    std::byte* next;
    size_t chunkBytes;
    size_t chunkCount;
    size_t handedOut = 0;
    size_t live = 1; // chunks alive, plus one while the arena may take more
};

// A chunk of records made together; its header sits at the chunk's aligned start, so
// a record finds it from its own address. keep holds what the records point into.
struct ArenaChunk {
    static constexpr size_t Bytes = size_t{1} << 20;
    size_t live = 0; // records alive in the chunk, plus one while the arena fills it
    size_t used = 0;
    ArenaSlab* slab = nullptr;
    std::shared_ptr<const void> keep;

    static ArenaChunk* of(const void* record) {
        return reinterpret_cast<ArenaChunk*>(reinterpret_cast<uintptr_t>(record) & ~(Bytes - 1));
    }
    static ArenaChunk* create(void* memory, ArenaSlab* slab, std::shared_ptr<const void> keep) {
        auto* chunk = ::new (memory) ArenaChunk;
        chunk->live = 1;
        chunk->used =
            (sizeof(ArenaChunk) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
        chunk->slab = slab;
        chunk->keep = std::move(keep);
        return chunk;
    }
    void release() {
        if (--live != 0)
            return;
        ArenaSlab* const from = slab;
        this->~ArenaChunk();
        from->release();
    }
};

// An intrusive counted reference to a RefCounted record; null when empty. An element its
// weighted array makes only when first read holds a code for its maker instead: an odd
// value, as no record's address is, never counted, and never handed out by the array.
template <class T> class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(const Ref& other) noexcept : record(other.record) { retain(); }
    Ref(Ref&& other) noexcept : record(std::exchange(other.record, nullptr)) {}
    Ref& operator=(const Ref& other) noexcept {
        Ref(other).swap(*this);
        return *this;
    }
    // Inline and cheap on an empty target: the weighted array shifts its elements so.
    Ref& operator=(Ref&& other) noexcept {
        T* const old = std::exchange(record, std::exchange(other.record, nullptr));
        if (isRecord(old) && old != record)
            release(old);
        return *this;
    }
    ~Ref() {
        if (isRecord(record))
            release(record);
    }

    T* get() const noexcept { return record; }
    T& operator*() const noexcept { return *record; }
    T* operator->() const noexcept { return record; }
    explicit operator bool() const noexcept { return record != nullptr; }
    bool operator==(const Ref& other) const noexcept { return record == other.record; }
    bool operator==(std::nullptr_t) const noexcept { return record == nullptr; }
    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref& other) noexcept { std::swap(record, other.record); }

    // Takes the first reference to a record just made.
    static Ref adopt(T* fresh) noexcept {
        Ref ref;
        ref.record = fresh;
        ref.retain();
        return ref;
    }

    // A code of up to 63 bits for an element not made yet.
    static Ref pending(uint64_t code) noexcept {
        static_assert(sizeof(uintptr_t) == sizeof(uint64_t), "pending codes need 64-bit pointers");
        Ref ref;
        ref.record = reinterpret_cast<T*>(static_cast<uintptr_t>(code << 1 | 1));
        return ref;
    }
    bool isPending() const noexcept { return (reinterpret_cast<uintptr_t>(record) & 1) != 0; }
    uint64_t pendingCode() const noexcept {
        return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(record)) >> 1;
    }

private:
    static bool isRecord(const T* value) noexcept {
        return value != nullptr && (reinterpret_cast<uintptr_t>(value) & 1) == 0;
    }
    void retain() const noexcept {
        if (isRecord(record))
            ++record->refs;
    }
    static void release(T* counted) noexcept {
        if ((--counted->refs & RefCounted::CountMask) != 0)
            return;
        if ((counted->refs & RefCounted::InArena) != 0) {
            ArenaChunk* chunk = ArenaChunk::of(counted);
            counted->~T();
            chunk->release();
        } else {
            std::default_delete<T>()(counted);
        }
    }

    T* record = nullptr;
};

template <class T, class... Args> Ref<T> makeRef(Args&&... args) {
    return Ref<T>::adopt(std::make_unique<T>(std::forward<Args>(args)...).release());
}

// Makes the records of one load in large chunks instead of one block each. Every
// chunk keeps alive what it is given, so records may point into it (the load's text).
class RecordArena {
public:
    explicit RecordArena(std::shared_ptr<const void> keepAlive) : keep(std::move(keepAlive)) {}
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;
    ~RecordArena() {
        if (chunk != nullptr)
            chunk->release();
        if (slab != nullptr)
            slab->release();
    }

    template <class T, class... Args> Ref<T> make(Args&&... args) {
        static_assert(sizeof(T) <= 4096 && alignof(T) <= alignof(std::max_align_t));
        void* memory = allocate(sizeof(T), alignof(T));
        T* record = ::new (memory) T(std::forward<Args>(args)...);
        ++chunk->live;
        record->refs |= RefCounted::InArena;
        return Ref<T>::adopt(record);
    }

private:
    void* allocate(size_t bytes, size_t alignment) {
        if (chunk != nullptr) {
            const size_t at = (chunk->used + alignment - 1) & ~(alignment - 1);
            if (at + bytes <= ArenaChunk::Bytes) {
                chunk->used = at + bytes;
                return reinterpret_cast<std::byte*>(chunk) + at;
            }
            chunk->release();
            chunk = nullptr;
        }
        void* const memory = takeChunk(); // may change slab
        chunk = ArenaChunk::create(memory, slab, keep);
        return allocate(bytes, alignment);
    }
    // Slabs grow from one chunk, so a small load takes little, to MostChunks.
    void* takeChunk() {
        void* memory = slab != nullptr ? slab->takeChunk() : nullptr;
        if (memory != nullptr)
            return memory;
        if (slab != nullptr)
            slab->release();
        slab = ArenaSlab::create(ArenaChunk::Bytes, slabChunks);
        slabChunks = std::min(2 * slabChunks, ArenaSlab::MostChunks);
        return slab->takeChunk();
    }

    std::shared_ptr<const void> keep;
    ArenaSlab* slab = nullptr;
    size_t slabChunks = 1;
    ArenaChunk* chunk = nullptr;
};

// What an OArray of T holds: an intrusive reference for records that carry their own
// count, a shared pointer for anything else.
template <class T>
using RefFor = std::conditional_t<std::is_base_of_v<RefCounted, T>, Ref<T>, std::shared_ptr<T>>;
