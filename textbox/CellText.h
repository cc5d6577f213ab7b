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
// measurer, see TextPieces) in a header of its own: it is edited in place within spare
// room, so typing in a long line moves its tail but copies nothing else.
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
    const char16_t* data() const { return isLong() ? longText()->data : start(); }
    size_t size() const { return isLong() ? longText()->size : units & ~Owned; }
    size_t length() const { return size(); }
    bool empty() const { return size() == 0; }
    const char16_t* begin() const { return data(); }
    const char16_t* end() const { return data() + size(); }
    char16_t operator[](size_t i) const { return data()[i]; }
    std::u16string substr(size_t pos, size_t n = npos) const {
        return std::u16string(view().substr(pos, n));
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

    // A long text's header; room is 0 while the text is borrowed.
    struct Long {
        explicit Long(size_t units) : size(units), pieces(units) {}
        Long(const Long&) = delete;
        Long& operator=(const Long&) = delete;
        ~Long() {
            if (room != 0)
                std::default_delete<char16_t[]>()(data);
        }
        char16_t* data = nullptr;
        size_t size;
        size_t room = 0;
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
    const std::u16string_view old = view();
    if (pos > old.size())
        throw std::out_of_range("cell text position past its end");
    n = std::min(n, old.size() - pos);
    const size_t length = old.size() - n + text.size();
    if (length > maximumUnits)
        throw std::length_error("cell text too long");
    if (isLong() || length >= longUnits)
        return replaceLong(pos, n, text);
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

// Within the room of an owned text the tail moves over and the rest stays; otherwise the
// text moves to a block with room to spare for the typing that follows. A long text cut
// to well below longUnits becomes a short one again.
inline CellText& CellText::replaceLong(size_t pos, size_t n, std::u16string_view text) {
    const std::u16string_view old = view();
    const size_t length = old.size() - n + text.size();
    const bool cutsBorrowedEnd = isBorrowed() && text.empty() && pos + n == old.size();
    if (length < longUnits / 2) {
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
        longText()->pieces.replace(pos, n, 0);
        return *this;
    }
    std::optional<std::u16string> copied; // a text from inside this one moves with it
    if (text.data() < old.data() + old.size() && old.data() < text.data() + text.size())
        text = copied.emplace(text);
    std::unique_ptr<Long> fresh = isLong() ? nullptr : std::make_unique<Long>(old.size());
    Long& header = fresh ? *fresh : *longText();
    if (header.room < length) {
        const size_t room = length + length / 8 + 64;
        auto block = std::make_unique_for_overwrite<char16_t[]>(room);
        char16_t* out = std::copy_n(old.data(), pos, block.get());
        std::copy(old.begin() + static_cast<std::ptrdiff_t>(pos + n), old.end(), out + text.size());
        if (header.room != 0)
            std::default_delete<char16_t[]>()(header.data);
        header.data = block.release();
        header.room = room;
    } else {
        std::memmove(header.data + pos + text.size(), header.data + pos + n,
                     (old.size() - pos - n) * sizeof(char16_t));
    }
    std::copy(text.begin(), text.end(), header.data + pos);
    header.size = length;
    header.pieces.replace(pos, n, text.size());
    if (fresh) {
        release();
        adopt(std::move(fresh));
    }
    return *this;
}
