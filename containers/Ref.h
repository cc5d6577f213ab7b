#pragma once

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
    // A copy is a new record: it starts uncounted and outside any arena.
    RefCounted(const RefCounted&) noexcept {}
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }

private:
    template <class> friend class Ref;
    friend class RecordArena;
    static constexpr uint32_t InArena = 0x80000000u;
    static constexpr uint32_t CountMask = ~InArena;
    mutable uint32_t refs = 0; // InArena, plus the number of references
};

// A chunk of records made together; its header sits at the chunk's aligned start, so
// a record finds it from its own address. keep holds what the records point into.
struct ArenaChunk {
    static constexpr size_t Bytes = size_t{1} << 20;
    size_t live = 0; // records alive in the chunk, plus one while the arena fills it
    size_t used = 0;
    std::shared_ptr<const void> keep;

    static ArenaChunk* of(const void* record) {
        return reinterpret_cast<ArenaChunk*>(reinterpret_cast<uintptr_t>(record) & ~(Bytes - 1));
    }
    static ArenaChunk* create(std::shared_ptr<const void> keep) {
        void* memory = ::operator new (Bytes, std::align_val_t{Bytes});
        auto* chunk = ::new (memory) ArenaChunk;
        chunk->live = 1;
        chunk->used =
            (sizeof(ArenaChunk) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
        chunk->keep = std::move(keep);
        return chunk;
    }
    void release() {
        if (--live != 0)
            return;
        this->~ArenaChunk();
        ::operator delete (this, std::align_val_t{Bytes});
    }
};

// An intrusive counted reference to a RefCounted record; null when empty.
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
        if (old != nullptr && old != record)
            release(old);
        return *this;
    }
    ~Ref() {
        if (record != nullptr)
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

private:
    void retain() const noexcept {
        if (record != nullptr)
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
    }

    template <class T, class... Args> Ref<T> make(Args&&... args) {
        static_assert(sizeof(T) <= 4096 && alignof(T) <= alignof(std::max_align_t));
        void* memory = allocate(sizeof(T), alignof(T));
        T* record = ::new (memory) T(std::forward<Args>(args)...);
        ++chunk->live;
        record->refs = RefCounted::InArena;
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
        chunk = ArenaChunk::create(keep);
        return allocate(bytes, alignment);
    }

    std::shared_ptr<const void> keep;
    ArenaChunk* chunk = nullptr;
};

// What an OArray of T holds: an intrusive reference for records that carry their own
// count, a shared pointer for anything else.
template <class T>
using RefFor = std::conditional_t<std::is_base_of_v<RefCounted, T>, Ref<T>, std::shared_ptr<T>>;
