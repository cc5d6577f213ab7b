#pragma once

#include "support/Utf16.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// UTF-8 as Unicode defines it well-formed: no overlong forms, no encoded surrogates,
// nothing above U+10FFFF, no 5- or 6-byte forms, no truncated sequences.
namespace utf8 {

struct Step {
    char32_t codePoint = 0; // meaningful only when valid
    int32_t length = 1;     // bytes taken: the character, or the maximal ill-formed subpart
    bool valid = false;
};

// The character that starts at bytes[at], or the longest prefix of a well-formed sequence
// found there (at least one byte), which a decoder replaces by a single U+FFFD.
inline Step stepAt(std::string_view bytes, size_t at) {
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(at);
    if (lead < 0x80)
        return {lead, 1, true};
    int32_t continuations = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        value = lead & 0x0Fu;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        secondHigh = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        value = lead & 0x07u;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;  // no overlong forms
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return {0, 1, false};
    }
    for (int32_t k = 1; k <= continuations; ++k) {
        const size_t i = at + static_cast<size_t>(k);
        const unsigned char low = k == 1 ? secondLow : 0x80, high = k == 1 ? secondHigh : 0xBF;
        if (i >= bytes.size() || byteAt(i) < low || byteAt(i) > high)
            return {0, k, false};
        value = (value << 6) | (byteAt(i) & 0x3Fu);
    }
    return {value, continuations + 1, true};
}

inline bool isWellFormed(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const Step step = stepAt(bytes, at);
        if (!step.valid)
            return false;
        at += static_cast<size_t>(step.length);
    }
    return true;
}

// How far decodeWellFormed got: the bytes it took and the units it wrote.
struct Decoded {
    size_t bytesRead = 0;
    size_t unitsWritten = 0;
    bool failed = false; // stopped at an ill-formed sequence, at bytesRead
};

// Decodes well-formed UTF-8 from the start of bytes into units, which has room for
// bytes.size() units: no character takes more units than bytes. Unless the bytes are
// final, the last three may begin a character that continues in the next piece, so
// decoding stops before them; the caller hands them in again in front of that piece.
inline Decoded decodeWellFormed(std::string_view bytes, char16_t* units, bool final) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    const size_t end = final ? size : size - std::min<size_t>(size, 3);
    size_t at = 0, out = 0;
    while (at < end) {
        // Source text is mostly ASCII: runs of it go eight bytes at a time.
        for (uint64_t word = 0; at + 8 <= size; at += 8, out += 8) {
            std::memcpy(&word, in + at, sizeof word);
            if ((word & 0x8080808080808080u) != 0)
                break;
            for (size_t k = 0; k < 8; ++k)
                units[out + k] = in[at + k];
        }
        if (at >= end)
            break;
        if (in[at] < 0x80) {
            units[out++] = in[at++];
            continue;
        }
        const Step step = stepAt(bytes, at);
        if (!step.valid)
            return {at, out, true};
        if (step.codePoint < 0x10000) {
            units[out++] = static_cast<char16_t>(step.codePoint);
        } else {
            units[out++] = highSurrogateOf(step.codePoint);
            units[out++] = lowSurrogateOf(step.codePoint);
        }
        at += static_cast<size_t>(step.length);
    }
    return {at, out, false};
}

// decodeWellFormed onto the end of text, which grows by the units written. The units go
// through a small buffer: growing a large text by its final size first would fill its
// fresh pages with zeros only to write them again.
inline Decoded appendWellFormed(std::u16string& text, std::string_view bytes, bool final) {
    constexpr size_t chunkBytes = 4096;
    char16_t units[chunkBytes];
    Decoded total;
    for (;;) {
        const std::string_view rest = bytes.substr(total.bytesRead);
        const bool last = rest.size() <= chunkBytes;
        const Decoded step = decodeWellFormed(rest.substr(0, chunkBytes), units, last && final);
        text.append(units, step.unitsWritten);
        total.bytesRead += step.bytesRead;
        total.unitsWritten += step.unitsWritten;
        total.failed = step.failed;
        if (last || step.failed || step.bytesRead == 0)
            return total;
    }
}

} // namespace utf8
