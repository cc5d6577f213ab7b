#include "textbox/spacedcolumns.h"

#include "textbox/alignedcopy.h"
#include "textbox/indentation.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

namespace {

constexpr size_t npos = std::u16string_view::npos;

CLPos endOfLine(const CLBox& box, int32_t l, std::vector<std::u16string_view>& cells) {
    box.cellTexts(l, cells);
    return {l, static_cast<int32_t>(cells.size()) - 1, static_cast<int32_t>(cells.back().size())};
}

// Builds the converted fragment, carrying the forms of the tabs it copies.
class ColumnWriter {
public:
    ColumnWriter(const TextFragment& from, size_t spacesPerIndentCell)
        : source(from), spacesPerCell(spacesPerIndentCell) {
        out.text.reserve(from.text.size());
        out.lineEnds = from.lineEnds;
    }

    // The source's text from `from` to `to` as it is.
    void copy(size_t from, size_t to) {
        const std::vector<size_t>& spaced = source.spacedTabs;
        for (; nextSpaced < spaced.size() && spaced[nextSpaced] < to; ++nextSpaced)
            if (spaced[nextSpaced] >= from)
                out.spacedTabs.push_back(out.text.size() + spaced[nextSpaced] - from);
        out.text.append(std::u16string_view(source.text).substr(from, to - from));
    }

    // text, the one cell of a line with no tab after it, converted.
    void convert(std::u16string_view text, bool inIndentation) {
        const size_t last = text.find_last_not_of(u' ');
        text = text.substr(0, last == npos ? 0 : last + 1);
        if (inIndentation) {
            const size_t cells = indentCellsOf(text, spacesPerCell);
            for (size_t k = 0; k < cells; ++k) {
                out.spacedTabs.push_back(out.text.size());
                out.text += u'\t';
            }
            text.remove_prefix(cells * spacesPerCell);
        }
        const size_t first = std::min(text.find_first_not_of(u' '), text.size());
        out.text.append(text.substr(0, first)); // spaces before the text, fewer than a cell
        for (size_t at = first; at < text.size();) {
            const size_t space = std::min(text.find(u' ', at), text.size());
            out.text.append(text.substr(at, space - at));
            const size_t next = std::min(text.find_first_not_of(u' ', space), text.size());
            if (next - space >= 2)
                out.text += u'\t';
            else if (next > space)
                out.text += u' ';
            at = next;
        }
    }

    TextFragment take() { return std::move(out); }

private:
    const TextFragment& source;
    const size_t spacesPerCell;
    TextFragment out;
    size_t nextSpaced = 0;
};

} // namespace

TextFragment spacesToColumns(const TextFragment& fragment, const CLOptions& options,
                             TextPlace place) {
    ColumnWriter writer(fragment, spacesPerIndentCell(options));
    const std::u16string_view text = fragment.text;
    for (size_t at = 0, line = 0;; ++line) {
        const size_t feed = std::min(text.find(u'\n', at), text.size());
        const size_t textStart = std::min(text.find_first_not_of(u'\t', at), feed);
        writer.copy(at, textStart); // the empty cells that open the line
        const std::u16string_view rest = text.substr(textStart, feed - textStart);
        if (rest.find(u'\t') != npos)
            writer.copy(textStart, feed);
        else
            writer.convert(rest, line != 0 || place == TextPlace::InIndentation);
        if (feed == text.size())
            return writer.take();
        writer.copy(feed, feed + 1);
        at = feed + 1;
    }
}

TextRange linesTouched(const CLBox& box, const std::optional<TextRange>& selected) {
    if (!selected)
        return wholeText(box);
    int32_t last = selected->end.yLine;
    if (last > selected->start.yLine && selected->end.xTab == 0 && selected->end.xChar == 0)
        --last;
    std::vector<std::u16string_view> cells;
    return {CLPos{selected->start.yLine, 0, 0}, endOfLine(box, last, cells)};
}

namespace {

// Whether spaces to columns changes line l, a line in indentation: only a line whose text is
// its last cell can change, and then only that cell.
class LineCheck {
public:
    explicit LineCheck(const CLBox& checked) : box(checked) {}
    bool changes(int32_t l) {
        box.cellTexts(l, cells);
        size_t text = 0;
        while (text + 1 < cells.size() && cells[text].empty())
            ++text;
        const std::u16string_view last = cells.back();
        if (text + 1 < cells.size() || last.empty() ||
            (last.front() != u' ' && last.back() != u' ' && last.find(u"  ") == npos))
            return false; // cells already, or no space the rule could take
        const TextFragment one{std::u16string(last), {}};
        return spacesToColumns(one, box.options, TextPlace::InIndentation) != one;
    }

private:
    const CLBox& box;
    std::vector<std::u16string_view> cells;
};

} // namespace

// Spaces to columns leaves most lines of most texts as they are: only the runs of lines it
// changes are read and replaced, each a change of the one step, so that converting a large
// document costs little more than reading it.
std::optional<TextRange> convertLines(CLBox& box, const TextRange& lines, Conversion conversion,
                                      const TextChangeSink& told) {
    std::vector<std::u16string_view> cells;
    if (conversion == Conversion::ColumnsToSpaces) {
        const auto whole =
            std::make_shared<const TextFragment>(textBetween(box, lines.start, lines.end));
        auto converted = std::make_shared<const TextFragment>(alignedFragment(whole));
        if (*converted == *whole)
            return std::nullopt;
        replaceRange(box, lines.start, lines.end, whole, converted, told);
        return TextRange{lines.start, endOf(lines.start, *converted)};
    }
    LineCheck check(box);
    bool changed = false;
    for (int32_t l = lines.start.yLine; l <= lines.end.yLine; ++l) {
        if (!check.changes(l))
            continue;
        int32_t last = l;
        while (last < lines.end.yLine && check.changes(last + 1))
            ++last;
        const CLPos from{l, 0, 0};
        const CLPos to = endOfLine(box, last, cells);
        const auto read = std::make_shared<const TextFragment>(textBetween(box, from, to));
        replaceRange(box, from, to, read,
                     std::make_shared<const TextFragment>(
                         spacesToColumns(*read, box.options, TextPlace::InIndentation)),
                     told);
        changed = true;
        l = last;
    }
    if (!changed)
        return std::nullopt;
    return TextRange{lines.start, endOfLine(box, lines.end.yLine, cells)};
}
