#pragma once

#include "textbox/TextPieces.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// A cell's characters, read as a u16string_view. A loaded cell borrows its text from
// the one buffer the whole text was loaded into, whose owner keeps it alive for as
// long as the cell; the first edit copies the text out into a block of its own. A
// copy or move never borrows, so a borrowed text stays inside the record it was made
// for. Twelve bytes, four-aligned, so that a cell record packs into 24.
//
// A long text (longUnits or more) keeps its length, its room and its pieces (for its
// measurer, see TextPieces) in a header of its own. Its spare room is a gap that follows
// its edits, so typing in a long line moves only what lies between the last edit and
// this one. Reading a stretch (slice, operator[]) leaves the gap where it is, or moves it
// out of the stretch; reading the text whole (view, data) closes it first, which moves
// the text after it.
class CellText {
public:
    using size_type = size_t;
    static constexpr size_t npos = std::u16string_view::npos;
    static constexpr size_t longUnits = 4 * TextPieces::pieceUnits;

    CellText() = default;
    CellText(std::u16string_view text) { replaceAll(text); }
    CellText(const CellText& other) { replaceAll(other.view()); }
    CellText(CellText&& other) { take(other); }
    CellText& operator=(std::u16string_view text) {
        replaceAll(text);
        return *this;
    }
    CellText& operator=(const CellText& other) {
        if (this != &other)
            replaceAll(other.view());
        return *this;
    }
    CellText& operator=(CellText&& other) {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~CellText() { release(); }

    // Points into text, which the caller keeps alive at least as long as this. A member,
    // not a factory: assigning a made text would move it, and a move copies.
    void borrow(std::u16string_view text) {
        if (text.size() > maximumUnits)
            throw std::length_error("cell text too long");
        if (text.size() >= longUnits) {
            auto header = std::make_unique<Long>(text.size());
            header->data = const_cast<char16_t*>(text.data());
            release();
            adopt(std::move(header));
            return;
        }
        release();
        setStart(text.data());
        units = static_cast<uint32_t>(text.size());
    }
    bool isBorrowed() const {
        return size() != 0 && (isLong() ? longText()->room == 0 : (units & Owned) == 0);
    }

    std::u16string_view view() const { return {data(), size()}; }
    operator std::u16string_view() const { return view(); }
    operator std::u16string() const { return str(); }
    std::u16string str() const { return std::u16string(view()); }
    const char16_t* data() const {
        if (!isLong())
            return start();
        longText()->closeGap();
        return longText()->data;
    }
    size_t size() const { return isLong() ? longText()->size : units & ~Owned; }
    size_t length() const { return size(); }
    bool empty() const { return size() == 0; }
    const char16_t* begin() const { return data(); }
    const char16_t* end() const { return data() + size(); }
    char16_t operator[](size_t i) const { return isLong() ? longText()->unit(i) : start()[i]; }
    // Up to n units from pos, as view().substr(pos, n) gives them, without closing a long
    // text's gap: it moves out of the stretch if it lies inside, by the shorter way.
    std::u16string_view slice(size_t pos, size_t n = npos) const {
        return isLong() ? longText()->slice(pos, n) : view().substr(pos, n);
    }
    std::u16string substr(size_t pos, size_t n = npos) const {
        return std::u16string(slice(pos, n));
    }
    // The pieces a long text is measured in; null for a short one.
    TextPieces* pieces() const { return isLong() ? &longText()->pieces : nullptr; }

    CellText& insert(size_t pos, std::u16string_view text) { return replace(pos, 0, text); }
    CellText& erase(size_t pos, size_t n = npos) { return replace(pos, n, {}); }
    CellText& operator+=(std::u16string_view text) { return replace(size(), 0, text); }
    // Shortening keeps a borrowed text borrowed: splitting a loaded cell copies nothing.
    void resize(size_t n) {
        if (n > size())
            replace(size(), 0, std::u16string(n - size(), u'\0'));
        else if (isLong())
            replace(n, npos, {});
        else
            units = static_cast<uint32_t>(n) | (units & Owned);
    }
    // Replaces n units from pos (n clipped to the end) by text; pos past the end throws
    // std::out_of_range, as a string would, before anything changes.
    CellText& replace(size_t pos, size_t n, std::u16string_view text);

    friend bool operator==(const CellText& a, std::u16string_view b) { return a.view() == b; }

private:
    static constexpr uint32_t Owned = 0x80000000u;
    static constexpr uint32_t LongForm = Owned - 1; // units of a long text: its header tells
    static constexpr size_t maximumUnits = LongForm - 1;

    // A long text's header; room is 0 while the text is borrowed. An owned text's units
    // before gapStart lie at the block's start, the rest at its end: the gap between is
    // its spare room.
    struct Long {
        explicit Long(size_t units) : size(units), gapStart(units), pieces(units) {}
        Long(const Long&) = delete;
        Long& operator=(const Long&) = delete;
        ~Long() {
            if (room != 0)
                std::default_delete<char16_t[]>()(data);
        }
        size_t gap() const { return room == 0 ? 0 : room - size; }
        char16_t unit(size_t i) const { return data[i < gapStart ? i : i + gap()]; }
        // Moves the gap to before unit at, moving what lies between.
        void moveGapTo(size_t at) {
            if (at < gapStart)
                std::memmove(data + at + gap(), data + at, (gapStart - at) * sizeof(char16_t));
            else if (at > gapStart)
                std::memmove(data + gapStart, data + gapStart + gap(),
                             (at - gapStart) * sizeof(char16_t));
            gapStart = at;
        }
        void closeGap() { moveGapTo(size); }
        std::u16string_view slice(size_t pos, size_t n) {
            if (pos > size)
                throw std::out_of_range("cell text position past its end");
            const size_t end = pos + std::min(n, size - pos);
            if (pos < gapStart && gapStart < end)
                moveGapTo(gapStart - pos <= end - gapStart ? pos : end);
            return {data + (end <= gapStart ? pos : pos + gap()), end - pos};
        }
        // Copies count units from unit from to out.
        void copyOut(size_t from, size_t count, char16_t* out) const {
            const size_t before = from < gapStart ? std::min(count, gapStart - from) : 0;
            std::copy_n(data + from, before, out);
            std::copy_n(data + from + before + gap(), count - before, out + before);
        }
        char16_t* data = nullptr;
        size_t size;
        size_t room = 0;
        size_t gapStart; // size when the text lies in one run
        TextPieces pieces;
    };

    bool isLong() const { return units == LongForm; }
    const char16_t* start() const {
        const char16_t* pointer = nullptr;
        std::memcpy(&pointer, where, sizeof pointer);
        return pointer;
    }
    Long* longText() const {
        Long* header = nullptr;
        std::memcpy(&header, where, sizeof header);
        return header;
    }
    void setStart(const void* pointer) { std::memcpy(where, &pointer, sizeof pointer); }
    void adopt(std::unique_ptr<Long> header) {
        setStart(header.release());
        units = LongForm;
    }
    void replaceAll(std::u16string_view text) { replace(0, npos, text); }
    CellText& replaceLong(size_t pos, size_t n, std::u16string_view text);
    void release() {
        if (isLong())
            std::default_delete<Long>()(longText());
        else if ((units & Owned) != 0)
            std::default_delete<char16_t[]>()(const_cast<char16_t*>(start()));
        setStart(nullptr);
        units = 0;
    }
    bool ownsItsText() const { return isLong() ? longText()->room != 0 : (units & Owned) != 0; }
    void take(CellText& other) {
        if (!other.ownsItsText()) {
            units = 0;
            setStart(nullptr);
            replaceAll(other.view());
            return;
        }
        std::memcpy(where, other.where, sizeof where);
        units = other.units;
        other.setStart(nullptr);
        other.units = 0;
    }

    // The text's first unit, or a long text's header.
    alignas(4) unsigned char where[sizeof(const char16_t*)] = {};
    uint32_t units = 0; // the length, with Owned when where points to a block of its own
};

inline CellText& CellText::replace(size_t pos, size_t n, std::u16string_view text) {
    const size_t oldSize = size();
    if (pos > oldSize)
        throw std::out_of_range("cell text position past its end");
    n = std::min(n, oldSize - pos);
    const size_t length = oldSize - n + text.size();
    if (length > maximumUnits)
        throw std::length_error("cell text too long");
    if (isLong() || length >= longUnits)
        return replaceLong(pos, n, text);
    const std::u16string_view old = view();
    std::unique_ptr<char16_t[]> block;
    if (length != 0) {
        block = std::make_unique_for_overwrite<char16_t[]>(length);
        char16_t* out = std::copy_n(old.data(), pos, block.get());
        out = std::copy(text.begin(), text.end(), out);
        std::copy(old.begin() + static_cast<std::ptrdiff_t>(pos + n), old.end(), out);
    }
    release();
    if (block) {
        setStart(block.release());
        units = static_cast<uint32_t>(length) | Owned;
    }
    return *this;
}

// Within the room of an owned text the gap moves to the edit and takes it in; otherwise
// the text moves to a block with room to spare for the typing that follows, the gap
// after the edit. A long text cut to well below longUnits becomes a short one again.
inline CellText& CellText::replaceLong(size_t pos, size_t n, std::u16string_view text) {
    const size_t oldSize = size();
    const size_t length = oldSize - n + text.size();
    const bool cutsBorrowedEnd = isBorrowed() && text.empty() && pos + n == oldSize;
    if (length < longUnits / 2) {
        const std::u16string_view old = view();
        if (cutsBorrowedEnd) {
            borrow(old.substr(0, pos));
            return *this;
        }
        std::u16string shorter(old.substr(0, pos));
        shorter.append(text).append(old.substr(pos + n));
        release();
        return replace(0, 0, shorter);
    }
    if (cutsBorrowedEnd) {
        longText()->size = length;
        longText()->gapStart = length;
        longText()->pieces.replace(pos, n, 0);
        return *this;
    }
    std::unique_ptr<Long> fresh = isLong() ? nullptr : std::make_unique<Long>(oldSize);
    Long& header = fresh ? *fresh : *longText();
    if (header.room == 0)
        header.data = const_cast<char16_t*>(view().data()); // borrowed, or a short text's
    std::optional<std::u16string> copied; // a text from inside this one moves with it
    const char16_t* const held = header.data;
    if (text.data() < held + std::max(header.room, oldSize) && held < text.data() + text.size())
        text = copied.emplace(text);
    if (header.room < length) {
        const size_t room = length + length / 8 + 64, after = oldSize - pos - n;
        auto block = std::make_unique_for_overwrite<char16_t[]>(room);
        header.copyOut(0, pos, block.get());
        header.copyOut(pos + n, after, block.get() + room - after);
        if (header.room != 0)
            std::default_delete<char16_t[]>()(header.data);
        header.data = block.release();
        header.room = room;
    } else if (header.gapStart > pos && header.gapStart <= pos + n) {
        header.gapStart = pos; // what the edit removes before the gap joins it
    } else {
        // What the edit removes after the gap is left where the gap will end.
        if (header.gapStart > pos + n)
            std::memmove(header.data + pos + n + header.gap(), header.data + pos + n,
                         (header.gapStart - pos - n) * sizeof(char16_t));
        else
            header.moveGapTo(pos);
        header.gapStart = pos;
    }
    std::copy(text.begin(), text.end(), header.data + pos);
    header.size = length;
    header.gapStart = pos + text.size();
    header.pieces.replace(pos, n, text.size());
    if (fresh) {
        release();
        adopt(std::move(fresh));
    }
    return *this;
}
