#include "textbox/replaceall.h"

#include "support/EngineError.h"
#include "textbox/indentation.h"
#include "textbox/loadedlines.h"
#include "textbox/savedform.h"

#include <algorithm>
#include <limits>
#include <span>
#include <string_view>
#include <utility>

namespace {

const auto nothing = std::make_shared<const TextFragment>();

// What finding a match costs besides the units searched, and writing a line besides its units.
constexpr int64_t matchCost = 8;
constexpr int64_t lineCost = 32;

constexpr int32_t mostLines = std::numeric_limits<int32_t>::max() / 2;

// A line as the array holds it, a record or a code, without making it.
Ref<CLLine> slotOf(const OArray<CLLine>& lines, int32_t l) {
    return lines.isMade(l) ? lines.at(l) : Ref<CLLine>::pending(lines.pendingCode(l));
}

CLPos endOfLine(const CLBox& box, int32_t l) {
    std::vector<std::u16string_view> cells;
    box.cellTexts(l, cells);
    return {l, static_cast<int32_t>(cells.size()) - 1, static_cast<int32_t>(cells.back().size())};
}

} // namespace

// Writes the lines that a line with matches becomes: its cells with the replacement in place of
// each match, pasted where it stands. A line that loading would read back as written is
// written as loading reads it, into text, for a code; any other is made as a record.
class LineWriter {
public:
    LineWriter(const CLBox& box, std::u16string_view replacement, std::optional<size_t> textOffset)
        : offset(textOffset), inLine(pastedText(replacement, box.options, TextPlace::InLine)),
          inIndentation(pastedText(replacement, box.options, TextPlace::InIndentation)),
          spacesPerCell(spacesPerIndentCell(box.options)) {}

    // Writes line l, which becomes the text's line afterLine on, its matches in place; the
    // lines it becomes go to lines. Gives how many it became.
    int32_t write(const CLBox& box, int32_t l, int32_t afterLine,
                  std::span<const ReplaceAll::Place> matches, int32_t matchLength,
                  std::vector<Ref<CLLine>>& lines) {
        box.cellTexts(l, oldCells, oldForms);
        line = afterLine;
        written = 0;
        size_t m = 0;
        for (size_t t = 0; t < oldCells.size(); ++t) {
            const std::u16string_view cell = oldCells[t];
            work += static_cast<int64_t>(cell.size());
            size_t from = 0;
            for (; m < matches.size() && static_cast<size_t>(matches[m].xTab) == t; ++m) {
                const auto start = static_cast<size_t>(matches[m].xChar);
                addText(cell.substr(from, start - from));
                addReplacement(lines);
                from = start + static_cast<size_t>(matchLength);
            }
            addText(cell.substr(from));
            if (t + 1 < oldCells.size())
                endCell(oldForms[t]);
        }
        endLine(box.lineEndOf(l), lines);
        return written;
    }

    // The line breaks one replacement adds.
    size_t breaksPerReplacement() const { return inLine.lineEnds.size(); }

    std::u16string text;          // the lines written for codes, each ended by '\n'
    std::optional<size_t> offset; // where text stands among the codes' offsets; none: records
    CLPos lastEnd;                // where the last replacement written ends
    int64_t work = 0;             // units read

private:
    void addText(std::u16string_view piece) {
        cells += piece;
        indentation = indentation && piece.empty();
    }
    void endCell(IndentForm form) {
        cells += u'\t';
        forms.push_back(form);
        cellStart = cells.size();
        indentation = indentation && form == IndentForm::Spaces;
    }
    void addReplacement(std::vector<Ref<CLLine>>& lines) {
        const TextFragment& fragment = indentation ? inIndentation : inLine;
        const std::u16string_view pasted = fragment.text;
        size_t at = 0, lineEnd = 0, spaced = 0;
        for (size_t stop = pasted.find_first_of(u"\t\n"); stop != std::u16string_view::npos;
             stop = pasted.find_first_of(u"\t\n", at)) {
            addText(pasted.substr(at, stop - at));
            if (pasted[stop] == u'\n') {
                endLine(fragment.lineEnds[lineEnd++], lines);
            } else {
                const bool spacedTab =
                    spaced < fragment.spacedTabs.size() && fragment.spacedTabs[spaced] == stop;
                spaced += spacedTab ? 1 : 0;
                endCell(spacedTab ? IndentForm::Spaces : IndentForm::Tab);
            }
            at = stop + 1;
        }
        addText(pasted.substr(at));
        lastEnd = {line, static_cast<int32_t>(forms.size()),
                   static_cast<int32_t>(cells.size() - cellStart)};
    }

    void endLine(const LineEnd& end, std::vector<Ref<CLLine>>& lines) {
        splitCells();
        const ReloadedLine reloaded = reloadedLine(cellViews, allForms, end, spacesPerCell);
        if (!offset || end.empty() || !reloaded.isAlike() || !addCode(reloaded.spaced, end, lines))
            lines.push_back(madeLine(end));
        ++written;
        ++line;
        cells.clear();
        forms.clear();
        cellStart = 0;
        indentation = true;
    }

    void splitCells() {
        cellViews.clear();
        const std::u16string_view all = cells;
        size_t start = 0;
        for (size_t tab = all.find(u'\t'); tab != std::u16string_view::npos;
             tab = all.find(u'\t', start)) {
            cellViews.push_back(all.substr(start, tab - start));
            start = tab + 1;
        }
        cellViews.push_back(all.substr(start));
        allForms.assign(forms.begin(), forms.end());
        allForms.push_back(IndentForm::Tab); // the last cell, which no tab ends
    }

    // The line as saving writes it, which loading reads back alike: the spaced cells that
    // open it as spaces, then the rest, which starts after their tabs.
    bool addCode(int32_t spaced, const LineEnd& end, std::vector<Ref<CLLine>>& lines) {
        const size_t start = text.size();
        text.append(static_cast<size_t>(spaced) * spacesPerCell, u' ');
        text.append(cells, static_cast<size_t>(spaced));
        if (end == u"\r\n")
            text += u'\r';
        const std::u16string_view piece = std::u16string_view(text).substr(start);
        const size_t at = *offset + start;
        if (!LoadedLines::hasCode(at, piece)) {
            text.resize(start);
            return false;
        }
        const bool hasTab = forms.size() > static_cast<size_t>(spaced);
        lines.push_back(Ref<CLLine>::pending(LoadedLines::codeFor(at, piece, hasTab)));
        text += u'\n';
        return true;
    }

    Ref<CLLine> madeLine(const LineEnd& end) const {
        Ref<CLLine> made = makeRef<CLLine>();
        for (size_t i = 0; i < cellViews.size(); ++i) {
            Ref<CLTab> cell = makeRef<CLTab>();
            cell->text = cellViews[i];
            cell->setForm(allForms[i]);
            made->tabs.add(std::move(cell), 0);
        }
        made->lineEnd = end;
        return made;
    }

    const TextFragment inLine, inIndentation;
    const size_t spacesPerCell;
    std::vector<std::u16string_view> oldCells;
    std::vector<IndentForm> oldForms;
    // The line being written: its cells so far, a tab after each but the last, and the
    // tabs' forms.
    std::u16string cells;
    std::vector<IndentForm> forms;
    size_t cellStart = 0;    // where the last cell starts in cells
    bool indentation = true; // nothing written on the line but tabs of the form Spaces
    int32_t line = 0;        // the text's line being written, as the change leaves it
    int32_t written = 0;     // lines written of the line
    std::vector<std::u16string_view> cellViews;
    std::vector<IndentForm> allForms;
};

ReplaceAll::ReplaceAll(const CLBox& box, ReplaceAllOrder order)
    : revision(box.revision),
      search(box, order.needle, CLPos{}, SearchDirection::Forward, order.options),
      writer(std::make_unique<LineWriter>(box, order.replacement, box.nextLineTextOffset())),
      change(
          std::make_shared<BulkChange>(std::make_shared<const ReplaceAllOrder>(std::move(order)))) {
}

ReplaceAll::~ReplaceAll() = default;
ReplaceAll::ReplaceAll(ReplaceAll&&) noexcept = default;
ReplaceAll& ReplaceAll::operator=(ReplaceAll&&) noexcept = default;

bool ReplaceAll::advance(const CLBox& box, int64_t budget) {
    if (box.revision != revision)
        throw EngineError(ErrorNumber::BadArgument, "the text changed while it was replaced");
    if (stage == Stage::Searching)
        find(box, budget);
    if (stage == Stage::Writing)
        write(box, budget);
    return stage == Stage::Ready || stage == Stage::Applied;
}

double ReplaceAll::progress() const {
    switch (stage) {
    case Stage::Searching:
        return search.progress() / 2;
    case Stage::Writing:
        return 0.5 + static_cast<double>(nextPlace) / static_cast<double>(places.size()) / 2;
    default:
        return 1.0;
    }
}

void ReplaceAll::find(const CLBox& box, int64_t& budget) {
    while (budget > 0) {
        switch (search.advanceWithin(box, budget)) {
        case TextSearch::Outcome::Found: {
            const SearchMatch& match = search.match();
            if (places.empty() || places.back().yLine != match.yLine)
                countLine(box, match.yLine);
            unitsWritten += static_cast<int64_t>(change->order->replacement.size());
            places.push_back({match.yLine, match.xTab, match.xChar});
            matchLength = match.length;
            ++matchCount;
            budget -= matchCost;
            search.goOnAfterMatch();
            break;
        }
        case TextSearch::Outcome::NotFound:
            stage = places.empty() ? Stage::Ready : Stage::Writing;
            return;
        case TextSearch::Outcome::Searching:
            return;
        }
    }
}

// The units the line's text takes, its tabs and line end included.
void ReplaceAll::countLine(const CLBox& box, int32_t l) {
    box.cellTexts(l, lineCells);
    ++linesMatched;
    for (const std::u16string_view cell : lineCells)
        unitsWritten += static_cast<int64_t>(cell.size()) + 1;
    unitsWritten += 1;
}

// Line after line; a text that would grow past what a document may hold is refused as it
// grows, before it has taken the memory.
void ReplaceAll::write(const CLBox& box, int64_t& budget) {
    const int64_t tallest = std::max(box.lineHeight, box.emptyLineHeight());
    if (nextPlace == 0) { // what the lines written take, so that no copy doubles it
        writer->text.reserve(static_cast<size_t>(unitsWritten));
        change->held.reserve(static_cast<size_t>(linesMatched) +
                             places.size() * writer->breaksPerReplacement());
        lineCells = {};
    }
    while (budget > 0 && nextPlace < places.size()) {
        const int32_t l = places[nextPlace].yLine;
        size_t end = nextPlace;
        while (end < places.size() && places[end].yLine == l)
            ++end;
        const auto breaks =
            static_cast<int64_t>((end - nextPlace) * writer->breaksPerReplacement());
        const int64_t lineCount = box.lines.size() + linesAdded + breaks;
        if (lineCount > mostLines || lineCount * tallest > std::numeric_limits<int32_t>::max())
            throw EngineError(ErrorNumber::Overflow,
                              "overflow: the text would be too tall to show");
        const int64_t workBefore = writer->work;
        const int32_t written = writer->write(box, l, static_cast<int32_t>(l + linesAdded),
                                              std::span(places).subspan(nextPlace, end - nextPlace),
                                              matchLength, change->held);
        change->runs.push_back({l, 1, written});
        linesAdded += written - 1;
        budget -= writer->work - workBefore + lineCost;
        nextPlace = end;
    }
    if (nextPlace == places.size()) {
        stage = Stage::Ready;
        places = {};
    }
}

void ReplaceAll::apply(CLBox& box, const TextChangeSink& told) {
    if (stage != Stage::Ready || box.revision != revision ||
        box.nextLineTextOffset() != writer->offset)
        throw EngineError(
            ErrorNumber::BadArgument,
            "bad argument: a Replace all made before it is ready, or on another text");
    stage = Stage::Applied;
    if (matchCount == 0)
        return;
    if (writer->offset)
        box.adoptLineText(std::move(writer->text), change); // its lines, made or taken back
    change->exchange(box, told);
    box.cursor = writer->lastEnd;
}

int64_t replaceAll(CLBox& box, const ReplaceAllOrder& order, const TextChangeSink& told) {
    ReplaceAll replacing(box, order);
    while (!replacing.advance(box, std::numeric_limits<int64_t>::max() / 4)) {
    }
    replacing.apply(box, told);
    return replacing.matches();
}

std::vector<int32_t> BulkChange::heightsOfHeld(CLBox& box) {
    std::vector<int32_t> heights;
    heights.reserve(held.size());
    for (const Ref<CLLine>& line : held) {
        if (line.isPending()) {
            heights.push_back(LoadedLines::isEmpty(line.pendingCode()) ? box.emptyLineHeight()
                                                                       : box.lineHeight);
        } else { // out of the text, it missed any change of font
            box.measureLine(*line);
            heights.push_back(line->height);
        }
    }
    return heights;
}

void BulkChange::exchange(CLBox& box, const TextChangeSink& told) {
    if (runs.empty())
        return;
    for (size_t k = 0; k < runs.size(); ++k) // in the text's order, inside it
        if (runs[k].at < (k == 0 ? 0 : runs[k - 1].at + runs[k - 1].count) ||
            runs[k].at + runs[k].count > box.lines.size())
            raiseOutOfRange("lines exchanged outside the text");
    const std::vector<int32_t> heights = heightsOfHeld(box);
    int64_t lineCount = box.lines.size(), height = box.lines.weiacc(box.lines.size());
    bool sameCounts = true;
    for (const Run& run : runs) {
        lineCount += run.heldCount - run.count;
        height -= box.lines.weiacc(run.at + run.count) - box.lines.weiacc(run.at);
        sameCounts = sameCounts && run.heldCount == run.count;
    }
    for (const int32_t h : heights)
        height += h;
    if (lineCount > mostLines || height > std::numeric_limits<int32_t>::max())
        throw EngineError(ErrorNumber::Overflow, "overflow: the text would be too tall to show");
    const CLPos from{runs.front().at, 0, 0};
    const CLPos endBefore = endOfLine(box, runs.back().at + runs.back().count - 1);
    box.markTextChanged();
    if (sameCounts)
        exchangeInPlace(box, heights);
    else
        exchangeRebuilding(box, heights);
    int32_t shift = 0;
    for (Run& run : runs) {
        run.at += shift;
        shift += run.heldCount - run.count;
        std::swap(run.count, run.heldCount);
    }
    box.selectionAnchor.reset();
    changedBefore = {from, endBefore};
    changedAfter = {from, endOfLine(box, runs.back().at + runs.back().count - 1)};
    if (exchanges++ == 0)
        madeAt = box.revision;
    if (told)
        told({from, nothing, nothing, shared_from_this(), exchanges > 1});
}

// The weights of the lines between the runs are written again as they are, in one call.
void BulkChange::exchangeInPlace(CLBox& box, const std::vector<int32_t>& heights) {
    OArray<CLLine>& lines = box.lines;
    const int32_t first = runs.front().at, end = runs.back().at + runs.back().count;
    std::vector<int32_t> weights(static_cast<size_t>(end - first));
    for (int32_t l = first; l < end; ++l)
        weights[static_cast<size_t>(l - first)] = lines.wei(l);
    size_t k = 0;
    for (const Run& run : runs)
        for (int32_t l = run.at; l < run.at + run.count; ++l, ++k) {
            Ref<CLLine> taken = slotOf(lines, l);
            lines.setAt(l, std::move(held[k]));
            held[k] = std::move(taken);
            weights[static_cast<size_t>(l - first)] = heights[k];
        }
    lines.weiset(first, end - first, weights);
}

void BulkChange::exchangeRebuilding(CLBox& box, const std::vector<int32_t>& heights) {
    const OArray<CLLine>& lines = box.lines;
    int64_t size = lines.size();
    for (const Run& run : runs)
        size += run.heldCount - run.count;
    OArray<CLLine> rebuilt;
    rebuilt.reserve(static_cast<int32_t>(size));
    std::vector<Ref<CLLine>> taken;
    int32_t l = 0;
    size_t k = 0;
    for (const Run& run : runs) {
        for (; l < run.at; ++l)
            rebuilt.add(slotOf(lines, l), lines.wei(l));
        for (int32_t j = 0; j < run.heldCount; ++j, ++k)
            rebuilt.add(std::move(held[k]), heights[k]);
        for (; l < run.at + run.count; ++l)
            taken.push_back(slotOf(lines, l));
    }
    for (; l < lines.size(); ++l)
        rebuilt.add(slotOf(lines, l), lines.wei(l));
    box.exchangeLines(rebuilt);
    held = std::move(taken);
}
