#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

// Turns a fuzz input into values. Past its end every byte reads as 0, so any prefix of
// an input is still a complete run.
class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : data(bytes), left(size) {}
    bool empty() const { return left == 0; }
    int32_t byte() {
        if (left == 0)
            return 0;
        --left;
        return *data++;
    }
    int32_t upTo(int32_t bound) { return bound <= 0 ? 0 : byte() % (bound + 1); }
    uint32_t word() {
        uint32_t value = 0;
        for (int k = 0; k < 4; ++k)
            value = value << 8 | static_cast<uint32_t>(byte());
        return value;
    }

    // Units for count byte pairs, mostly from a small alphabet so that tabs, line breaks,
    // leading spaces and surrogates meet often; the rest of the time, any unit.
    std::u16string text(size_t count) {
        static const char16_t alphabet[] = {u'\t', u'\n',  u'\r',  u' ',      u'a', u'}',
                                            u';',  0xD83D, 0xDE00, u'\u00e9', u'x', u' '};
        std::u16string units;
        for (size_t k = 0; k < count && !empty(); ++k) {
            const auto low = static_cast<char16_t>(byte()), high = static_cast<char16_t>(byte());
            units += high >= 0xF0 ? static_cast<char16_t>(low | high << 8)
                                  : alphabet[low % std::size(alphabet)];
        }
        return units;
    }

private:
    const uint8_t* data;
    size_t left;
};
