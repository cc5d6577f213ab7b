#pragma once

#include <array>
#include <cstdint>

// Where the combining marks begin: from there on shaping may move glyphs, so that a
// character's advance is no longer its share of a text's width. The surfaces keep their
// tables per character below it.
constexpr char16_t firstShapedCharacter = 0x0300;

// The advance of each character below firstShapedCharacter in one font, learned as first
// met, so that measuring a cell costs a look-up per character instead of a call to the
// toolkit. Advance is the surface's own unit of width (whole pixels, or 64ths of one).
template <class Advance> class AdvanceTable {
public:
    // notSummable marks a character whose advance is not its share of a text's width.
    static constexpr Advance unknown = -1, notSummable = -2;

    AdvanceTable() { advances.fill(unknown); }

    // unit's advance, or notSummable; learn(unit) gives it the first time it is asked for.
    template <class Learn> Advance of(char16_t unit, Learn&& learn) {
        if (unit >= firstShapedCharacter)
            return notSummable;
        Advance& known = advances[unit];
        if (known == unknown)
            known = learn(unit);
        return known;
    }
    // The advance of a unit below firstShapedCharacter that of() has given.
    Advance operator[](char16_t unit) const { return advances[unit]; }

private:
    std::array<Advance, firstShapedCharacter> advances;
};
