#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The font a long text's pieces were measured in, as the surface names it, and the
// surface's density then.
struct MeasuredFont {
    std::u16string name;
    double size = 0;
    bool bold = false, italic = false, struckThrough = false;
    double dotsPerInch = 0;
    bool operator==(const MeasuredFont&) const = default;
};

// A long text cut into pieces of about pieceUnits units, each with its width as last
// measured, so that an edit costs the measure of the pieces it touched and a point along
// the text is found piece by piece, not character by character. The text's edits keep the
// pieces' lengths; the widths are the measurer's, valid in the font they were taken in.
class TextPieces {
public:
    static constexpr size_t pieceUnits = 1024;

    enum class Measure : uint8_t {
        Unmeasured,
        Advances, // width is the sum of its characters' advances, the part of the whole
        Shaped,   // the surface measures it some other way: only the whole text counts
    };
    struct Piece {
        uint32_t units = 0;
        Measure measure = Measure::Unmeasured;
        double width = 0;
    };
    // Where a piece starts: its index, its first unit, the width of the pieces before it.
    struct Start {
        size_t index = 0;
        size_t unit = 0;
        double x = 0;
    };

    explicit TextPieces(size_t units) { cut(0, units); }

    const std::vector<Piece>& all() const { return pieces; }
    Piece& at(size_t index) { return pieces[index]; }
    const MeasuredFont& font() const { return measuredIn; }
    // Forgets every width unless they were taken in font.
    void measureIn(const MeasuredFont& font) {
        if (font == measuredIn)
            return;
        measuredIn = font;
        for (Piece& piece : pieces)
            piece.measure = Measure::Unmeasured;
    }

    // Follows an edit that replaced removed units from at by inserted ones: the pieces it
    // touched become one, unmeasured, cut again where it grew too long.
    void replace(size_t at, size_t removed, size_t inserted) {
        size_t first = 0, firstStart = 0;
        while (first + 1 < pieces.size() && firstStart + pieces[first].units <= at)
            firstStart += pieces[first++].units;
        size_t last = first, lastEnd = firstStart + pieces[first].units;
        while (last + 1 < pieces.size() && lastEnd < at + removed)
            lastEnd += pieces[++last].units;
        const size_t units = lastEnd - removed + inserted - firstStart;
        pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(first),
                     pieces.begin() + static_cast<std::ptrdiff_t>(last + 1));
        cut(first, units);
    }

    // The piece holding unit (the last piece for the text's end).
    Start pieceOfUnit(size_t unit) const {
        return walkWhile(
            [&](const Start& at, const Piece& piece) { return at.unit + piece.units <= unit; });
    }
    // The piece whose span of widths holds x (the last piece for x past the end). The
    // pieces must be measured.
    Start pieceOfX(double x) const {
        return walkWhile(
            [&](const Start& at, const Piece& piece) { return at.x + piece.width <= x; });
    }
    // The first piece that reaches x: of two pieces meeting at x, the one ending there.
    Start pieceReachingX(double x) const {
        return walkWhile(
            [&](const Start& at, const Piece& piece) { return at.x + piece.width < x; });
    }
    // Whether every piece is measured by advances, and so the text's width their sum.
    bool byAdvances() const {
        return std::all_of(pieces.begin(), pieces.end(),
                           [](const Piece& piece) { return piece.measure == Measure::Advances; });
    }
    double width() const {
        double total = 0;
        for (const Piece& piece : pieces)
            total += piece.width;
        return total;
    }

private:
    // Inserts, before index, pieces for units units: one, or several of about pieceUnits.
    void cut(size_t index, size_t units) {
        const size_t count = std::max<size_t>(1, (units + pieceUnits - 1) / pieceUnits);
        std::vector<Piece> made(units > 2 * pieceUnits ? count : 1);
        size_t left = units;
        for (size_t k = 0; k < made.size(); ++k) {
            made[k].units = static_cast<uint32_t>(left / (made.size() - k));
            left -= made[k].units;
        }
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(index), made.begin(),
                      made.end());
    }
    // Steps from the first piece on while passes(start, piece) holds, stopping at the last.
    template <class Passes> Start walkWhile(Passes&& passes) const {
        Start start;
        while (start.index + 1 < pieces.size() && passes(start, pieces[start.index]))
            step(start);
        return start;
    }
    void step(Start& start) const {
        start.unit += pieces[start.index].units;
        start.x += pieces[start.index].width;
        ++start.index;
    }

    std::vector<Piece> pieces; // never empty; an empty text has one empty piece
    MeasuredFont measuredIn;
};
