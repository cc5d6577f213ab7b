#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
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
//
// Runs of groupPieces pieces keep their totals, so that a walk along the text steps over
// whole runs and a text of many pieces costs its runs, not its pieces, to walk or to total.
// Widths by advances are exact binary fractions (whole pixels, or 64ths), so a total taken
// run by run is the very total taken piece by piece.
class TextPieces {
public:
    static constexpr size_t pieceUnits = 1024;
    static constexpr size_t groupPieces = 64;

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
    // The piece to change: its run's totals are taken again when next asked for.
    Piece& at(size_t index) {
        runChanged(index);
        return pieces[index];
    }
    const MeasuredFont& font() const { return measuredIn; }
    // Forgets every width unless they were taken in font.
    void measureIn(const MeasuredFont& font) {
        if (font == measuredIn)
            return;
        measuredIn = font;
        for (Piece& piece : pieces)
            piece.measure = Measure::Unmeasured;
        validRuns = 0;
    }
    // Measures the unmeasured pieces in order, measure(first unit, units) giving a piece's
    // width by advances or none, until a piece turns out Shaped; false then.
    template <class MeasureOne> bool measureInOrder(MeasureOne&& measure);

    // Follows an edit that replaced removed units from at by inserted ones: the pieces it
    // touched become one, unmeasured, cut again where it grew too long.
    void replace(size_t at, size_t removed, size_t inserted) {
        const Start first = pieceOfUnit(at);
        size_t last = first.index, lastEnd = first.unit + pieces[last].units;
        while (last + 1 < pieces.size() && lastEnd < at + removed)
            lastEnd += pieces[++last].units;
        const size_t units = lastEnd - removed + inserted - first.unit;
        const std::vector<Piece> made = cutInto(units);
        const auto from = pieces.begin() + static_cast<std::ptrdiff_t>(first.index);
        if (made.size() == last + 1 - first.index) { // the usual edit: no piece comes or goes
            std::copy(made.begin(), made.end(), from);
            for (size_t k = first.index; k <= last; k += groupPieces)
                runChanged(k);
            runChanged(last);
            return;
        }
        pieces.erase(from, pieces.begin() + static_cast<std::ptrdiff_t>(last + 1));
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(first.index), made.begin(),
                      made.end());
        validRuns = std::min(validRuns, first.index / groupPieces);
    }

    // The piece holding unit (the last piece for the text's end).
    Start pieceOfUnit(size_t unit) const {
        return walkWhile(
            [&](const Start& at, size_t units, double) { return at.unit + units <= unit; });
    }
    // The piece whose span of widths holds x (the last piece for x past the end). The
    // pieces must be measured.
    Start pieceOfX(double x) const {
        return walkWhile([&](const Start& at, size_t, double width) { return at.x + width <= x; });
    }
    // The first piece that reaches x: of two pieces meeting at x, the one ending there.
    Start pieceReachingX(double x) const {
        return walkWhile([&](const Start& at, size_t, double width) { return at.x + width < x; });
    }
    // Whether every piece is measured by advances, and so the text's width their sum.
    bool byAdvances() const {
        refreshRuns();
        return std::all_of(runs.begin(), runs.end(),
                           [](const Run& run) { return run.byAdvances == run.pieces; });
    }
    double width() const {
        refreshRuns();
        double total = 0;
        for (const Run& run : runs)
            total += run.width;
        return total;
    }

private:
    // The totals of the pieces from groupPieces times its index on.
    struct Run {
        size_t units = 0;
        double width = 0;
        uint32_t pieces = 0;
        uint32_t byAdvances = 0;
        bool changed = false;
    };

    // Pieces for units units: one, or several of about pieceUnits.
    static std::vector<Piece> cutInto(size_t units) {
        const size_t count = std::max<size_t>(1, (units + pieceUnits - 1) / pieceUnits);
        std::vector<Piece> made(units > 2 * pieceUnits ? count : 1);
        size_t left = units;
        for (size_t k = 0; k < made.size(); ++k) {
            made[k].units = static_cast<uint32_t>(left / (made.size() - k));
            left -= made[k].units;
        }
        return made;
    }
    void cut(size_t index, size_t units) {
        const std::vector<Piece> made = cutInto(units);
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(index), made.begin(),
                      made.end());
        validRuns = std::min(validRuns, index / groupPieces);
    }
    void runChanged(size_t index) {
        if (index / groupPieces < validRuns)
            runs[index / groupPieces].changed = true;
    }
    // Takes the totals again of the runs changed, and of every run past the valid ones.
    void refreshRuns() const {
        const size_t count = (pieces.size() + groupPieces - 1) / groupPieces;
        runs.resize(count);
        for (size_t r = 0; r < count; ++r) {
            if (r < validRuns && !runs[r].changed)
                continue;
            Run run;
            for (size_t k = r * groupPieces; k < std::min(pieces.size(), (r + 1) * groupPieces);
                 ++k) {
                run.units += pieces[k].units;
                run.width += pieces[k].width;
                ++run.pieces;
                run.byAdvances += pieces[k].measure == Measure::Advances ? 1 : 0;
            }
            runs[r] = run;
        }
        validRuns = count;
    }
    // Steps from the first piece on while passes(start, units, width) holds for the piece,
    // stopping at the last; a whole run is stepped over where it holds for the run's end,
    // as it then does for each of its pieces: the walk's conditions only rise along it.
    template <class Passes> Start walkWhile(Passes&& passes) const {
        refreshRuns();
        Start start;
        for (size_t r = 0; r + 1 < runs.size() && passes(start, runs[r].units, runs[r].width);
             ++r) {
            start.index += groupPieces;
            start.unit += runs[r].units;
            start.x += runs[r].width;
        }
        while (start.index + 1 < pieces.size() &&
               passes(start, pieces[start.index].units, pieces[start.index].width))
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
    mutable std::vector<Run> runs;
    mutable size_t validRuns = 0; // runs before this one hold their totals, unless changed
};

template <class MeasureOne> bool TextPieces::measureInOrder(MeasureOne&& measure) {
    refreshRuns();
    size_t start = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        const size_t end = std::min(pieces.size(), (r + 1) * groupPieces);
        if (runs[r].byAdvances == runs[r].pieces) {
            start += runs[r].units;
            continue;
        }
        for (size_t k = r * groupPieces; k < end; ++k) {
            Piece& piece = pieces[k];
            if (piece.measure == Measure::Unmeasured) {
                const std::optional<double> width = measure(start, size_t{piece.units});
                piece.measure = width ? Measure::Advances : Measure::Shaped;
                piece.width = width.value_or(0);
                runs[r].changed = true;
            }
            if (piece.measure == Measure::Shaped)
                return false;
            start += piece.units;
        }
    }
    return true;
}
