#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-16 helpers: a text position is a code-unit index, and none may stand between the
// two halves of a surrogate pair.

inline bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
inline bool isSurrogate(char32_t code) {
    return code >= 0xD800 && code <= 0xDFFF;
}

// These read a text's units one by one, of any string type with size() and operator[]:
// a long cell's text then answers without being gathered into one run first.
template <class Text>
concept UnitText = requires(const Text& text, size_t at) {
    { text.size() } -> std::convertible_to<size_t>;
    { text[at] } -> std::convertible_to<char16_t>;
};

// True when index i (0 .. size) falls between a high and a low surrogate.
template <UnitText Text> bool insideSurrogatePair(const Text& text, int32_t i) {
    const auto at = static_cast<size_t>(i);
    return i > 0 && at < text.size() && isHighSurrogate(text[at - 1]) && isLowSurrogate(text[at]);
}

// The code units of the character that ends at i (0 at the start of the text).
template <UnitText Text> int32_t unitsBefore(const Text& text, int32_t i) {
    if (i <= 0)
        return 0;
    return insideSurrogatePair(text, i - 1) ? 2 : 1;
}

// The code units of the character that starts at i (0 at the end of the text).
template <UnitText Text> int32_t unitsAfter(const Text& text, int32_t i) {
    if (i < 0 || static_cast<size_t>(i) >= text.size())
        return 0;
    return insideSurrogatePair(text, i + 1) ? 2 : 1;
}

// i moved back to the start of the character it falls in.
template <UnitText Text> int32_t characterStart(const Text& text, int32_t i) {
    return insideSurrogatePair(text, i) ? i - 1 : i;
}

// The character a high and a low surrogate stand for together.
inline char32_t combineSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) +
           (static_cast<char32_t>(low) - 0xDC00);
}

// The two halves that stand for a code point from U+10000 to U+10FFFF.
inline char16_t highSurrogateOf(char32_t code) {
    return static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
}
inline char16_t lowSurrogateOf(char32_t code) {
    return static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
}

// Appends one code point as UTF-16; a code past U+FFFF becomes a surrogate pair. The
// caller has ruled out codes past U+10FFFF.
inline void appendUtf16(std::u16string& text, char32_t code) {
    if (code < 0x10000) {
        text.push_back(static_cast<char16_t>(code));
        return;
    }
    text.push_back(highSurrogateOf(code));
    text.push_back(lowSurrogateOf(code));
}

// One Unicode scalar value as UTF-16; the caller has ruled out surrogate codes and
// codes past U+10FFFF.
inline std::u16string toUtf16(char32_t code) {
    std::u16string text;
    appendUtf16(text, code);
    return text;
}

// Calls visit(codePoint) for each character of text; a lone surrogate arrives as itself.
template <class Visit> void forEachCodePoint(std::u16string_view text, Visit&& visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            visit(combineSurrogates(text[i], text[i + 1]));
            ++i;
        } else {
            visit(static_cast<char32_t>(text[i]));
        }
    }
}

// Units from UTF-16LE bytes, two a unit; an odd last byte is left out.
inline std::u16string unitsFromLittleEndian(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

// Appends text's units as UTF-16LE bytes.
inline void appendLittleEndian(std::string& bytes, std::u16string_view text) {
    const size_t at = bytes.size();
    bytes.resize(at + 2 * text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
}
