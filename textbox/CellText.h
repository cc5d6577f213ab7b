#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// A cell's characters, read as a u16string_view. A loaded cell borrows its text from
// the one buffer the whole text was loaded into, whose owner keeps it alive for as
// long as the cell; the first edit copies the text out into a block of its own. A
// copy or move never borrows, so a borrowed text stays inside the record it was made
// for. Twelve bytes, four-aligned, so that a cell record packs into 24.
class CellText {
public:
    using size_type = size_t;
    static constexpr size_t npos = std::u16string_view::npos;

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
        if (text.size() >= Owned)
            throw std::length_error("cell text too long");
        release();
        setStart(text.data());
        units = static_cast<uint32_t>(text.size());
    }
    bool isBorrowed() const { return (units & Owned) == 0 && size() != 0; }

    std::u16string_view view() const { return {data(), size()}; }
    operator std::u16string_view() const { return view(); }
    operator std::u16string() const { return str(); }
    std::u16string str() const { return std::u16string(view()); }
    const char16_t* data() const {
        const char16_t* start = nullptr;
        std::memcpy(&start, where, sizeof start);
        return start;
    }
    size_t size() const { return units & ~Owned; }
    size_t length() const { return size(); }
    bool empty() const { return size() == 0; }
    const char16_t* begin() const { return data(); }
    const char16_t* end() const { return data() + size(); }
    char16_t operator[](size_t i) const { return data()[i]; }
    std::u16string substr(size_t pos, size_t n = npos) const {
        return std::u16string(view().substr(pos, n));
    }

    CellText& insert(size_t pos, std::u16string_view text) { return replace(pos, 0, text); }
    CellText& erase(size_t pos, size_t n = npos) { return replace(pos, n, {}); }
    CellText& operator+=(std::u16string_view text) { return replace(size(), 0, text); }
    // Shortening keeps a borrowed text borrowed: splitting a loaded cell copies nothing.
    void resize(size_t n) {
        if (n <= size())
            units = static_cast<uint32_t>(n) | (units & Owned);
        else
            replace(size(), 0, std::u16string(n - size(), u'\0'));
    }
    // Replaces n units from pos (n clipped to the end) by text; pos past the end throws
    // std::out_of_range, as a string would, before anything changes.
    CellText& replace(size_t pos, size_t n, std::u16string_view text);

    friend bool operator==(const CellText& a, std::u16string_view b) { return a.view() == b; }

private:
    static constexpr uint32_t Owned = 0x80000000u;

    void setStart(const char16_t* start) { std::memcpy(where, &start, sizeof start); }
    void replaceAll(std::u16string_view text) { replace(0, npos, text); }
    void release() {
        if ((units & Owned) != 0) {
            const std::unique_ptr<char16_t[]> ending(const_cast<char16_t*>(data()));
        }
        setStart(nullptr);
        units = 0;
    }
    void take(CellText& other) {
        if ((other.units & Owned) == 0) {
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

    alignas(4) unsigned char where[sizeof(const char16_t*)] = {};
    uint32_t units = 0; // Owned when where points to a block of this text's own
};

inline CellText& CellText::replace(size_t pos, size_t n, std::u16string_view text) {
    const std::u16string_view old = view();
    if (pos > old.size())
        throw std::out_of_range("cell text position past its end");
    n = std::min(n, old.size() - pos);
    const size_t length = old.size() - n + text.size();
    if (length >= Owned)
        throw std::length_error("cell text too long");
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
