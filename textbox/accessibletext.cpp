#include "textbox/accessibletext.h"

#include "support/EngineError.h"
#include "support/Utf16.h"
#include "textbox/indentation.h"
#include "textbox/selection.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>

namespace {

// A line's cells as the accessible text writes them: each cell's text, then what follows
// it: its tab, or for indentation written as spaces the spaces instead of both; nothing
// after the last cell, whose line end the caller adds.
class WrittenLine {
public:
    WrittenLine(const CLBox& box, int32_t l) : spacesPerCell(spacesPerIndentCell(box.options)) {
        box.cellTexts(l, cells, forms);
        spaced = spacedIndentation(cellCount(), [&](int32_t i) {
            return forms[slot(i)] == IndentForm::Spaces && cells[slot(i)].empty();
        });
    }
    int32_t cellCount() const { return static_cast<int32_t>(cells.size()); }
    bool isSpaced(int32_t i) const { return i < spaced; }
    std::u16string_view text(int32_t i) const { return cells[slot(i)]; }
    // The units cell i takes, what follows it included.
    int64_t width(int32_t i) const {
        if (isSpaced(i))
            return static_cast<int64_t>(spacesPerCell);
        return static_cast<int64_t>(cells[slot(i)].size()) + (i + 1 < cellCount() ? 1 : 0);
    }
    size_t spaces() const { return spacesPerCell; }

private:
    static size_t slot(int32_t i) { return static_cast<size_t>(i); }
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    int32_t spaced = 0;
    size_t spacesPerCell;
};

int32_t toOffset(int64_t units) {
    if (units > std::numeric_limits<int32_t>::max())
        throw EngineError(ErrorNumber::Overflow, "overflow: a text too long for a screen reader");
    return static_cast<int32_t>(units);
}

// The tabs that follow `at` with nothing between them, within its line: each ends an empty
// cell (the first, the rest of at's cell) that is not the line's last. Their forms decide
// whether they are written as spaces, which a change before them can turn either way.
TextFragment tabsAfter(const CLBox& box, const CLPos& at) {
    TextFragment tabs;
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    box.cellTexts(at.yLine, cells, forms);
    const auto last = static_cast<int32_t>(cells.size()) - 1;
    for (int32_t i = at.xTab; i < last; ++i) {
        const size_t from = i == at.xTab ? static_cast<size_t>(at.xChar) : 0;
        if (cells[static_cast<size_t>(i)].size() != from)
            break;
        if (forms[static_cast<size_t>(i)] == IndentForm::Spaces)
            tabs.spacedTabs.push_back(tabs.text.size());
        tabs.text += u'\t';
    }
    return tabs;
}

// fragment followed by tabs, as the accessible text writes it where it stands at place.
std::u16string written(const TextFragment& fragment, const TextFragment& tabs,
                       const CLOptions& options, TextPlace place) {
    TextFragment joined = fragment;
    for (const size_t at : tabs.spacedTabs)
        joined.spacedTabs.push_back(fragment.text.size() + at);
    joined.text += tabs.text;
    std::fill(joined.lineEnds.begin(), joined.lineEnds.end(), LineEnd(u"\n"));
    return savedText(joined, options, place);
}

// The units a and b share at their ends, never ending inside a surrogate pair.
size_t commonPrefix(std::u16string_view a, std::u16string_view b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    while (n > 0 && (insideSurrogatePair(a, static_cast<int32_t>(n)) ||
                     insideSurrogatePair(b, static_cast<int32_t>(n))))
        --n;
    return n;
}

size_t commonSuffix(std::u16string_view a, std::u16string_view b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n])
        ++n;
    while (n > 0 && (insideSurrogatePair(a, static_cast<int32_t>(a.size() - n)) ||
                     insideSurrogatePair(b, static_cast<int32_t>(b.size() - n))))
        --n;
    return n;
}

} // namespace

int32_t AccessibleText::lengthOf(const CLBox& box, int32_t l) const {
    return toOffset(static_cast<int64_t>(box.savedLength(l)) + (l + 1 < box.lines.size() ? 1 : 0));
}

void AccessibleText::bringUpToDate(const CLBox& box) {
    if (isCurrent(box))
        return;
    built = false;
    OArray<LineMark> fresh;
    fresh.reserve(box.lines.size());
    for (int32_t l = 0; l < box.lines.size(); ++l)
        fresh.add({}, lengthOf(box, l));
    lines = std::move(fresh);
    built = true;
    builtFor = box.revision;
}

void AccessibleText::settle(const CLBox& box) {
    if (built)
        builtFor = box.revision;
}

int32_t AccessibleText::lineAt(int32_t offset) const {
    return std::clamp(lines.atwei(clamped(offset)), 0, std::max(lines.size() - 1, 0));
}

TextSpan AccessibleText::lineSpan(int32_t line) const {
    return {lines.weiacc(line), lines.weiacc(line + 1)};
}

int32_t AccessibleText::offsetOf(const CLBox& box, const CLPos& pos) const {
    requirePosition(box, pos);
    const WrittenLine line(box, pos.yLine);
    int64_t offset = lines.weiacc(pos.yLine);
    for (int32_t i = 0; i < pos.xTab; ++i)
        offset += line.width(i);
    return toOffset(offset + pos.xChar);
}

CLPos AccessibleText::positionAt(const CLBox& box, int32_t offset) const {
    const int32_t l = lineAt(offset);
    int64_t rest = clamped(offset) - lines.weiacc(l);
    const WrittenLine line(box, l);
    const int32_t last = line.cellCount() - 1;
    for (int32_t i = 0;; ++i) {
        const std::u16string_view text = line.text(i);
        if (i == last || rest < line.width(i)) {
            if (line.isSpaced(i) && i != last)
                return {l, rest * 2 >= static_cast<int64_t>(line.spaces()) ? i + 1 : i, 0};
            const auto x = static_cast<int32_t>(std::min<int64_t>(rest, std::ssize(text)));
            return {l, i, characterStart(text, x)};
        }
        rest -= line.width(i);
    }
}

std::u16string AccessibleText::text(const CLBox& box, TextSpan span) const {
    const int32_t from = clamped(span.start), to = clamped(span.end);
    std::u16string out;
    if (from >= to)
        return out;
    out.reserve(static_cast<size_t>(to - from));
    for (int32_t l = lineAt(from); l < lines.size() && lines.weiacc(l) < to; ++l) {
        const int64_t start = lines.weiacc(l);
        const int64_t lo = from - start, hi = to - start; // within the line, cut to it below
        int64_t at = 0;
        const auto put = [&](std::u16string_view piece) {
            const int64_t pieceEnd = at + std::ssize(piece);
            const int64_t a = std::max(lo, at), b = std::min(hi, pieceEnd);
            if (a < b)
                out.append(piece.substr(static_cast<size_t>(a - at), static_cast<size_t>(b - a)));
            at = pieceEnd;
        };
        const WrittenLine line(box, l);
        const std::u16string spaces(line.spaces(), u' ');
        for (int32_t i = 0; i < line.cellCount() && at < hi; ++i) {
            if (line.isSpaced(i)) {
                put(spaces);
                continue;
            }
            put(line.text(i));
            if (i + 1 < line.cellCount())
                put(u"\t");
        }
        if (l + 1 < lines.size())
            put(u"\n");
    }
    return out;
}

TextSpan AccessibleText::unitAt(const CLBox& box, int32_t offset, TextUnit unit) const {
    const int32_t total = length();
    if (unit == TextUnit::Document)
        return {0, total};
    int32_t at = clamped(offset);
    if (unit == TextUnit::Line)
        return lineSpan(lineAt(at));
    if (at == total)
        return {at, at};
    const std::u16string around = text(box, {at - 1, at + 2});
    const size_t here = at > 0 ? 1 : 0; // where at stands in around
    if (insideSurrogatePair(around, static_cast<int32_t>(here)))
        --at;
    if (unit == TextUnit::Character) {
        const bool pair = insideSurrogatePair(text(box, {at, at + 2}), 1);
        return {at, at + (pair ? 2 : 1)};
    }
    const int32_t l = lineAt(at);
    int64_t cellStart = lines.weiacc(l);
    const WrittenLine line(box, l);
    for (int32_t i = 0; i < line.cellCount(); ++i) {
        const int64_t cellEnd = cellStart + line.width(i);
        if (at < cellEnd || i + 1 == line.cellCount()) {
            if (line.isSpaced(i))
                return {toOffset(cellStart), toOffset(cellEnd)};
            const int64_t x = at - cellStart;
            if (x >= std::ssize(line.text(i)))
                return {at, at + 1}; // the tab after the cell, or the line end
            const TextRange word = wordAt(box, {l, i, static_cast<int32_t>(x)}, Side::After);
            return {toOffset(cellStart + word.start.xChar), toOffset(cellStart + word.end.xChar)};
        }
        cellStart = cellEnd;
    }
    return {at, at + 1};
}

// The lines the change took, first and the removed ones after it, give way to the ones it
// made; the lines before it keep their lengths, and so their starts.
void AccessibleText::replaceLines(const CLBox& box, int32_t first, int32_t removed,
                                  int32_t inserted) {
    const int32_t kept = std::min(removed, inserted);
    std::vector<int32_t> lengths;
    lengths.reserve(static_cast<size_t>(kept));
    for (int32_t k = 0; k < kept; ++k)
        lengths.push_back(lengthOf(box, first + k));
    OArray<LineMark> added;
    added.reserve(inserted - kept);
    for (int32_t k = kept; k < inserted; ++k)
        added.add({}, lengthOf(box, first + k));
    lines.weiset(first, kept, lengths);
    if (removed > kept)
        lines.del(first + kept, removed - kept);
    lines.insArr(first + kept, added);
}

std::optional<AccessibleEdit> AccessibleText::follow(const CLBox& box, const TextChange& change) {
    if (!built)
        return std::nullopt;
    if (change.bulk) { // a Replace all's exchange of lines: read again, once, when asked
        forget();
        return std::nullopt;
    }
    try {
        const TextPlace place = placeOf(box, change.at);
        const TextFragment tabs = tabsAfter(box, endOf(change.at, *change.inserted));
        const std::u16string before = written(*change.removed, tabs, box.options, place);
        const std::u16string after = written(*change.inserted, tabs, box.options, place);
        const int32_t at = offsetOf(box, change.at), lengthBefore = length();
        const auto removedLines = static_cast<int32_t>(change.removed->lineEnds.size());
        const auto insertedLines = static_cast<int32_t>(change.inserted->lineEnds.size());
        replaceLines(box, change.at.yLine, removedLines + 1, insertedLines + 1);
        if (lines.size() != box.lines.size() ||
            std::ssize(after) - std::ssize(before) != int64_t{length()} - lengthBefore) {
            forget();
            return std::nullopt;
        }
        const size_t suffix = commonSuffix(before, after);
        const std::u16string_view removed =
            std::u16string_view(before).substr(0, before.size() - suffix);
        const std::u16string_view inserted =
            std::u16string_view(after).substr(0, after.size() - suffix);
        const size_t prefix = commonPrefix(removed, inserted);
        if (removed.size() == prefix && inserted.size() == prefix)
            return std::nullopt; // written as before: nothing to tell
        return AccessibleEdit{at + static_cast<int32_t>(prefix),
                              std::u16string(removed.substr(prefix)),
                              std::u16string(inserted.substr(prefix))};
    } catch (const std::exception&) {
        forget();
        return std::nullopt;
    }
}
