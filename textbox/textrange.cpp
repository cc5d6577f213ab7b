#include "textbox/textrange.h"

#include "support/EngineError.h"
#include "textbox/indentation.h"
#include "textbox/position.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The tabs that spacedTabs names are tabs of the text, in order.
bool spacedTabsFit(const TextFragment& fragment) {
    size_t next = 0; // where the next may stand at the earliest
    for (const size_t at : fragment.spacedTabs) {
        if (at < next || at >= fragment.text.size() || fragment.text[at] != u'\t')
            return false;
        next = at + 1;
    }
    return true;
}

constexpr size_t npos = std::u16string_view::npos;

void requireRange(const CLBox& box, const CLPos& from, const CLPos& to) {
    requirePosition(box, from);
    requirePosition(box, to);
    if (isBefore(to, from))
        raiseOutOfRange("a range that ends before it begins");
}

void requireWellFormed(const TextFragment& fragment) {
    if (!isWellFormed(fragment))
        throw EngineError(ErrorNumber::BadArgument,
                          "bad argument: a text whose line ends or tabs do not match it");
}

// Calls visit(text, lineEnd, last, form) for each cell the range covers, in order, its text
// cut at the range's ends; lineEnd is the line end that follows the cell within the range,
// or null where a tab follows or the range ends (last). Loaded lines not made yet are read
// where they lie, so that copying a large text makes no records.
template <class Visit>
void forEachCellBetween(const CLBox& box, const CLPos& from, const CLPos& to, Visit&& visit) {
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    for (int32_t l = from.yLine; l <= to.yLine; ++l) {
        box.cellTexts(l, cells, forms);
        const LineEnd lineEnd = box.lineEndOf(l);
        const int32_t firstCell = l == from.yLine ? from.xTab : 0;
        const int32_t lastCell = l == to.yLine ? to.xTab : static_cast<int32_t>(cells.size()) - 1;
        for (int32_t t = firstCell; t <= lastCell; ++t) {
            std::u16string_view text = cells[static_cast<size_t>(t)];
            if (l == to.yLine && t == to.xTab)
                text = text.substr(0, static_cast<size_t>(to.xChar));
            if (l == from.yLine && t == from.xTab)
                text.remove_prefix(static_cast<size_t>(from.xChar));
            const bool last = l == to.yLine && t == to.xTab;
            const LineEnd* endAfter = !last && t == lastCell ? &lineEnd : nullptr;
            visit(text, endAfter, last, forms[static_cast<size_t>(t)]);
        }
    }
}

// A fragment this long has its records made together, its cells borrowing their texts from
// it, as loading does: a large paste, or a large undo, costs no more than a load.
constexpr size_t borrowingUnits = size_t{1} << 16;

// The lines that take the place of the lines a range touches: the cells before the range,
// the fragment's cells, and the cells after it. The cells on either side move over whole;
// the two the range cuts are made anew around the fragment's first and last text.
class LineMaker {
public:
    LineMaker(CLBox& target, const CLPos& from, const CLPos& to,
              const std::shared_ptr<const TextFragment>& inserted)
        : box(target), first(*target.lines.at(from.yLine)), last(*target.lines.at(to.yLine)),
          fromPos(from), toPos(to) {
        if (inserted->text.size() >= borrowingUnits)
            arena.emplace(inserted);
    }

    std::vector<Ref<CLLine>> make(const TextFragment& fragment) {
        lines.reserve(fragment.lineEnds.size() + 1);
        startLine();
        for (int32_t i = 0; i < fromPos.xTab; ++i)
            line->tabs.add(first.tabs.at(i), first.tabs.wei(i));
        const std::u16string_view cut = first.tabs.at(fromPos.xTab)->text;
        const std::u16string_view before = cut.substr(0, static_cast<size_t>(fromPos.xChar));
        const std::u16string_view after = std::u16string_view(last.tabs.at(toPos.xTab)->text)
                                              .substr(static_cast<size_t>(toPos.xChar));
        const std::u16string_view text = fragment.text;
        const std::vector<size_t>& spacedTabs = fragment.spacedTabs;
        std::u16string joined(before);
        size_t at = 0, lineEnd = 0, spaced = 0;
        for (size_t stop = text.find_first_of(u"\t\n"); stop != npos;
             stop = text.find_first_of(u"\t\n", at)) {
            const bool spacedTab = spaced < spacedTabs.size() && spacedTabs[spaced] == stop;
            spaced += spacedTab ? 1 : 0;
            addCell(joined, text.substr(at, stop - at),
                    spacedTab ? IndentForm::Spaces : IndentForm::Tab);
            if (text[stop] == u'\n') {
                line->lineEnd = fragment.lineEnds[lineEnd++];
                lines.push_back(std::move(line));
                startLine();
            }
            at = stop + 1;
        }
        joined += text.substr(at);
        joined += after;
        addCell(joined, {}, last.tabs.at(toPos.xTab)->form()); // the tab after `to` stays
        for (int32_t i = toPos.xTab + 1; i < last.tabs.size(); ++i)
            line->tabs.add(last.tabs.at(i), last.tabs.wei(i));
        line->lineEnd = last.lineEnd;
        lines.push_back(std::move(line));
        return std::move(lines);
    }

private:
    void startLine() { line = arena ? arena->make<CLLine>() : makeRef<CLLine>(); }
    // The cell of pending text followed by piece, a piece of the fragment, ended by a tab of
    // form; pending is the cut cell's text before the range, and empty after the first cell.
    void addCell(std::u16string& pending, std::u16string_view piece, IndentForm form) {
        Ref<CLTab> cell = arena ? arena->make<CLTab>() : makeRef<CLTab>();
        cell->setForm(form);
        if (pending.empty() && arena) {
            cell->text.borrow(piece);
        } else if (pending.empty()) {
            cell->text = piece;
        } else {
            pending += piece;
            cell->text = pending;
            pending.clear();
        }
        box.tabInnerWidth(*cell); // measured before anything changes: the surface may fail
        line->tabs.add(std::move(cell), 0);
    }

    CLBox& box;
    const CLLine& first;
    const CLLine& last;
    const CLPos fromPos;
    const CLPos toPos;
    std::optional<RecordArena> arena;
    Ref<CLLine> line;
    std::vector<Ref<CLLine>> lines;
};

// Puts made in place of lines first .. first + replaced - 1, reusing their slots; only a
// growth of the text by lines can fail (too many lines), and that before any change.
void putLines(CLBox& box, int32_t first, int32_t replaced, std::vector<Ref<CLLine>>& made) {
    const auto count = static_cast<int32_t>(made.size());
    if (count > replaced) {
        OArray<CLLine> added;
        added.reserve(count - replaced);
        for (int32_t k = replaced; k < count; ++k)
            added.add(made[static_cast<size_t>(k)], 0);
        box.lines.insArr(first + replaced, added);
    }
    box.markTextChanged();
    for (int32_t k = 0; k < std::min(count, replaced); ++k)
        box.lines.setAt(first + k, std::move(made[static_cast<size_t>(k)]));
    if (count < replaced)
        box.lines.del(first + count, replaced - count);
}

} // namespace

bool isWellFormed(const TextFragment& fragment) {
    const auto breaks =
        static_cast<size_t>(std::count(fragment.text.begin(), fragment.text.end(), u'\n'));
    return breaks == fragment.lineEnds.size() &&
           std::none_of(fragment.lineEnds.begin(), fragment.lineEnds.end(),
                        [](const LineEnd& end) { return end.empty(); }) &&
           spacedTabsFit(fragment);
}

void requirePosition(const CLBox& box, const CLPos& pos) {
    cellHolding(box, pos);
}

CLPos characterBoundary(const CLBox& box, CLPos pos) {
    cellAt(box, pos);
    return pos;
}

TextPlace placeOf(const CLBox& box, const CLPos& pos) {
    const bool inIndentation =
        pos.xChar == 0 && spacedIndentation(*box.lines.at(pos.yLine)) >= pos.xTab;
    return inIndentation ? TextPlace::InIndentation : TextPlace::InLine;
}

std::u16string savedText(const TextFragment& fragment, const CLOptions& options, TextPlace place) {
    const size_t spacesPerCell = spacesPerIndentCell(options);
    const std::u16string_view text = fragment.text;
    const std::vector<size_t>& spacedTabs = fragment.spacedTabs;
    std::u16string saved;
    saved.reserve(text.size() + fragment.lineEnds.size() + spacedTabs.size() * spacesPerCell);
    size_t at = 0, spaced = 0;
    for (size_t line = 0;; ++line) {
        const size_t feed = std::min(text.find(u'\n', at), text.size());
        if (line != 0 || place == TextPlace::InIndentation)
            for (; spaced < spacedTabs.size() && spacedTabs[spaced] == at; ++spaced, ++at)
                saved.append(spacesPerCell, u' ');
        while (spaced < spacedTabs.size() && spacedTabs[spaced] < feed)
            ++spaced; // written as the tab it is
        saved.append(text.substr(at, feed - at));
        if (feed == text.size())
            return saved;
        saved += fragment.lineEnds[line].view();
        at = feed + 1;
    }
}

TextFragment pastedText(std::u16string_view text, const CLOptions& options, TextPlace place) {
    const size_t spacesPerCell = spacesPerIndentCell(options);
    TextFragment fragment;
    fragment.text.reserve(text.size());
    for (size_t at = 0;;) {
        const size_t feed = text.find(u'\n', at);
        std::u16string_view line = text.substr(at, feed == npos ? npos : feed - at);
        if (at != 0 || place == TextPlace::InIndentation) { // where loading would read cells
            const size_t cells = indentCellsOf(line, spacesPerCell);
            for (size_t k = 0; k < cells; ++k) {
                fragment.spacedTabs.push_back(fragment.text.size());
                fragment.text += u'\t';
            }
            line.remove_prefix(cells * spacesPerCell);
        }
        if (feed == npos) {
            fragment.text += line;
            return fragment;
        }
        const bool returnFeed = !line.empty() && line.back() == u'\r';
        if (returnFeed)
            line.remove_suffix(1);
        fragment.text += line;
        fragment.text += u'\n';
        fragment.lineEnds.emplace_back(returnFeed ? u"\r\n" : u"\n");
        at = feed + 1;
    }
}

CLPos endOf(const CLPos& at, const TextFragment& fragment) {
    const std::u16string_view text = fragment.text;
    const size_t lastFeed = text.rfind(u'\n');
    const std::u16string_view lastLine = text.substr(lastFeed == npos ? 0 : lastFeed + 1);
    const size_t lastTab = lastLine.rfind(u'\t');
    const auto tabs = static_cast<int32_t>(std::count(lastLine.begin(), lastLine.end(), u'\t'));
    const auto lastCell =
        static_cast<int32_t>(lastLine.size() - (lastTab == npos ? 0 : lastTab + 1));
    const bool onItsLine = lastFeed == npos;
    CLPos end;
    end.yLine = at.yLine + static_cast<int32_t>(fragment.lineEnds.size());
    end.xTab = (onItsLine ? at.xTab : 0) + tabs;
    end.xChar = (onItsLine && tabs == 0 ? at.xChar : 0) + lastCell;
    return end;
}

TextFragment textBetween(const CLBox& box, const CLPos& from, const CLPos& to) {
    requireRange(box, from, to);
    size_t length = 0;
    forEachCellBetween(box, from, to,
                       [&](std::u16string_view text, const LineEnd*, bool, IndentForm) {
                           length += text.size() + 1;
                       });
    TextFragment fragment;
    fragment.text.reserve(length);
    forEachCellBetween(
        box, from, to,
        [&](std::u16string_view text, const LineEnd* lineEnd, bool last, IndentForm form) {
            fragment.text += text;
            if (lineEnd != nullptr)
                fragment.lineEnds.push_back(*lineEnd);
            else if (!last && form == IndentForm::Spaces)
                fragment.spacedTabs.push_back(fragment.text.size());
            if (!last)
                fragment.text += lineEnd != nullptr ? u'\n' : u'\t';
        });
    return fragment;
}

void replaceRange(CLBox& box, const CLPos& from, const CLPos& to,
                  std::shared_ptr<const TextFragment> fragment, const TextChangeSink& told) {
    replaceRange(box, from, to, nullptr, std::move(fragment), told);
}

// Without the text removed, it is read here, once the change is known to fit.
void replaceRange(CLBox& box, const CLPos& from, const CLPos& to,
                  std::shared_ptr<const TextFragment> removed,
                  std::shared_ptr<const TextFragment> fragment, const TextChangeSink& told) {
    requireRange(box, from, to);
    requireWellFormed(*fragment);
    if (samePlace(from, to) && fragment->text.empty())
        return;
    const int32_t replaced = to.yLine - from.yLine + 1;
    const auto madeCount = static_cast<int64_t>(fragment->lineEnds.size()) + 1;
    if (madeCount > std::numeric_limits<int32_t>::max() / 2)
        throw EngineError(ErrorNumber::Overflow, "overflow: too many lines");
    requireHeightRoom(box, from.yLine, replaced, static_cast<int32_t>(madeCount));
    if (!removed)
        removed = std::make_shared<const TextFragment>(textBetween(box, from, to));
    std::vector<Ref<CLLine>> made = LineMaker(box, from, to, fragment).make(*fragment);
    putLines(box, from.yLine, replaced, made);
    box.selectionAnchor.reset();
    box.selectedBlock.reset();
    box.updateHeight(from.yLine, from.yLine + static_cast<int32_t>(madeCount));
    told({from, std::move(removed), std::move(fragment)});
}
