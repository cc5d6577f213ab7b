#pragma once

#include "textbox/CLBox.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Draws from a fixed-seed generator, so a failure replays exactly.
class Picker {
public:
    explicit Picker(uint32_t seed) : engine(seed) {}
    int32_t pick(int32_t lo, int32_t hi) { // both included
        return std::uniform_int_distribution<int32_t>(lo, hi)(engine);
    }
    template <class T> const T& oneOf(const std::vector<T>& items) {
        return items[static_cast<size_t>(pick(0, static_cast<int32_t>(items.size()) - 1))];
    }

private:
    std::mt19937 engine;
};

// Random text built from pieces that exercise loading and mapping: tabs, both line
// ends, a lone CR, runs of spaces, the characters of empty lines, non-ASCII and an
// astral character (a surrogate pair).
inline std::u16string randomText(Picker& picker, int32_t pieces) {
    static const std::vector<std::u16string> alphabet = {
        u"a",  u"bc", u"xyz", u" ",  u" ",      u"\t",     u"\t",         u"\n",     u"\r\n",
        u"\r", u"{",  u"}",   u");", u"\u00e9", u"\u4e2d", u"\U0001F600", u"\u017d", u"    "};
    std::u16string text;
    for (int32_t k = 0; k < pieces; ++k)
        text += picker.oneOf(alphabet);
    return text;
}

// Anywhere in the document, the middle of a surrogate pair included.
inline CLPos randomPosition(Picker& picker, const CLBox& box) {
    CLPos pos;
    pos.yLine = picker.pick(0, box.lines.size() - 1);
    const CLLine& line = *box.lines.at(pos.yLine);
    pos.xTab = picker.pick(0, line.tabs.size() - 1);
    pos.xChar = picker.pick(0, static_cast<int32_t>(line.tabs.at(pos.xTab)->text.size()));
    return pos;
}
