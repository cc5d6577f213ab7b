#pragma once

#include "support/CaseFolding.h"
#include "support/Utf16.h"
#include "textbox/CLBox.h"
#include "textbox/search.h"
#include "textbox/selection.h"
#include "textbox/textrange.h"

#include "randomtext.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The document as one plain string, for the model-based tests: a tab ends a cell, '\t' for
// one of the form Tab and spacedTabUnit for one of the form Spaces, and each line end is one
// unit, '\n' for "\n" and crlfUnit for "\r\n", since a cell may end in a lone "\r" that
// the saved "\r\n" could not be told from. A position is an offset into it.
constexpr char16_t crlfUnit = u'\u2028';
constexpr char16_t spacedTabUnit = u'\u2029';

inline bool isBreakUnit(char16_t unit) {
    return unit == u'\n' || unit == crlfUnit;
}
inline bool isTabUnit(char16_t unit) {
    return unit == u'\t' || unit == spacedTabUnit;
}

// Read without making a loaded line not made yet.
inline std::u16string modelOf(const CLBox& box) {
    std::u16string model;
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        box.cellTexts(l, cells, forms);
        for (size_t t = 0; t < cells.size(); ++t) {
            model += cells[t];
            if (t + 1 < cells.size())
                model += forms[t] == IndentForm::Spaces ? spacedTabUnit : u'\t';
        }
        const LineEnd lineEnd = box.lineEndOf(l);
        if (!lineEnd.empty())
            model += lineEnd == u"\n" ? u'\n' : crlfUnit;
    }
    return model;
}

inline std::u16string modelOf(const TextFragment& fragment) {
    std::u16string model = fragment.text;
    size_t end = 0;
    for (char16_t& unit : model)
        if (unit == u'\n' && fragment.lineEnds[end++] == u"\r\n")
            unit = crlfUnit;
    for (const size_t at : fragment.spacedTabs)
        model[at] = spacedTabUnit;
    return model;
}

inline TextFragment fragmentOf(std::u16string_view model) {
    TextFragment fragment;
    for (const char16_t unit : model) {
        if (unit == spacedTabUnit)
            fragment.spacedTabs.push_back(fragment.text.size());
        fragment.text += isBreakUnit(unit) ? u'\n' : isTabUnit(unit) ? u'\t' : unit;
        if (isBreakUnit(unit))
            fragment.lineEnds.emplace_back(unit == crlfUnit ? u"\r\n" : u"\n");
    }
    return fragment;
}

// The accessible text (textbox/accessibletext.h) the slow way, from the records: the empty cells of
// the form Spaces that open a line (never its last) are four spaces each, every other cell its text
// and a tab, the last its text; lines are joined by '\n'.
inline std::u16string accessibleTextOf(const CLBox& box) {
    std::u16string text;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        const int32_t last = line.tabs.size() - 1;
        bool opening = true;
        for (int32_t t = 0; t <= last; ++t) {
            const CLTab& cell = *line.tabs.at(t);
            opening = opening && t < last && cell.text.empty() && cell.form() == IndentForm::Spaces;
            text += opening ? std::u16string_view(u"    ") : cell.text.view();
            if (!opening && t < last)
                text += u'\t';
        }
        if (l + 1 < box.lines.size())
            text += u'\n';
    }
    return text;
}

inline size_t offsetOf(const CLBox& box, const CLPos& pos) {
    size_t offset = 0;
    std::vector<std::u16string_view> cells;
    std::vector<IndentForm> forms;
    for (int32_t l = 0; l < pos.yLine; ++l) {
        box.cellTexts(l, cells, forms);
        for (const std::u16string_view cell : cells)
            offset += cell.size() + 1; // the last cell's 1 is the line end
    }
    box.cellTexts(pos.yLine, cells, forms);
    for (int32_t t = 0; t < pos.xTab; ++t)
        offset += cells[static_cast<size_t>(t)].size() + 1;
    return offset + static_cast<size_t>(pos.xChar);
}

// As saving writes it: the tabs of the form Spaces that open a line in a row as four spaces
// each, on the first line only when the text stands in indentation.
inline std::u16string savedOf(std::u16string_view model,
                              TextPlace place = TextPlace::InIndentation) {
    std::u16string saved;
    bool opening = place == TextPlace::InIndentation;
    for (const char16_t unit : model) {
        opening = opening && unit == spacedTabUnit;
        if (unit == crlfUnit)
            saved += u"\r\n";
        else if (opening)
            saved += u"    ";
        else
            saved += unit == spacedTabUnit ? u'\t' : unit;
        opening = opening || isBreakUnit(unit);
    }
    return saved;
}

// Whether a model offset stands at a line's start, or after nothing but tabs of the form Spaces.
inline bool inModelIndentation(std::u16string_view model, size_t at) {
    while (at > 0 && model[at - 1] == spacedTabUnit)
        --at;
    return at == 0 || isBreakUnit(model[at - 1]);
}

// A text pasted into a model, split as loading splits it: the lines it starts, and the first
// where it goes on indentation, lose each run of four leading spaces to a tab of the form Spaces.
inline std::u16string pastedModel(std::u16string_view from, bool inIndentation) {
    std::u16string out;
    size_t start = 0;
    for (bool first = !inIndentation;; first = false) {
        const size_t feed = from.find(u'\n', start);
        std::u16string line(from.substr(start, feed - start));
        const bool returnFeed =
            feed != std::u16string::npos && !line.empty() && line.back() == u'\r';
        if (returnFeed)
            line.pop_back();
        if (!first) {
            const size_t spaces = std::min(line.find_first_not_of(u' '), line.size());
            line = std::u16string(spaces / 4, spacedTabUnit) + line.substr(spaces / 4 * 4);
        }
        out += line;
        if (feed == std::u16string::npos)
            return out;
        out += returnFeed ? crlfUnit : u'\n';
        start = feed + 1;
    }
}

// The starts of a search's matches in a model, overlapping ones included, the slow way: every
// start tried, the slice compared whole (folded, or unit by unit); none within a tab or a
// line end, none beginning or ending inside a surrogate pair, and for whole words none without
// a boundary at either end.
inline std::u16string foldedModel(std::u16string_view text) {
    std::u16string folded;
    forEachCodePoint(text, [&](char32_t code) { appendUtf16(folded, foldCase(code)); });
    return folded;
}
// The length of a match of needle.
inline size_t modelMatchLength(std::u16string_view needle, SearchOptions options) {
    return options.matchCase ? needle.size() : foldedModel(needle).size();
}
inline std::vector<size_t> modelMatchStarts(std::u16string_view model, std::u16string_view needle,
                                            SearchOptions options) {
    const std::u16string folded = foldedModel(model), foldedNeedle = foldedModel(needle);
    const std::u16string_view compared = options.matchCase ? model : std::u16string_view(folded);
    const std::u16string_view sought =
        options.matchCase ? needle : std::u16string_view(foldedNeedle);
    const auto isWord = [&](size_t at) {
        return !isTabUnit(model[at]) && !isBreakUnit(model[at]) && isWordCharacter(model[at]);
    };
    const auto boundary = [&](size_t at) {
        return at == 0 || at == model.size() || !isWord(at - 1) || !isWord(at);
    };
    std::vector<size_t> starts;
    if (sought.empty() || needle.find_first_of(u"\t\r\n") != std::u16string_view::npos)
        return starts;
    for (size_t at = 0; at + sought.size() <= model.size(); ++at) {
        const std::u16string_view slice = model.substr(at, sought.size());
        if (compared.substr(at, sought.size()) == sought &&
            std::none_of(slice.begin(), slice.end(),
                         [](char16_t unit) { return isTabUnit(unit) || isBreakUnit(unit); }) &&
            !insideSurrogatePair(model, static_cast<int32_t>(at)) &&
            !insideSurrogatePair(model, static_cast<int32_t>(at + sought.size())) &&
            (!options.wholeWord || (boundary(at) && boundary(at + sought.size()))))
            starts.push_back(at);
    }
    return starts;
}

// Replace all on a model: the matches taken left to right, each passing over the ones it
// overlaps; each replacement pasted where it lands in the text as replaced so far.
struct ModelReplaceAll {
    std::u16string text;
    size_t cursor = 0; // after the last replacement
    size_t count = 0;
    std::vector<size_t> starts; // of the matches replaced, in the model
};
inline ModelReplaceAll replacedAll(std::u16string_view model, std::u16string_view needle,
                                   SearchOptions options, std::u16string_view replacement) {
    ModelReplaceAll result;
    size_t from = 0;
    for (const size_t at : modelMatchStarts(model, needle, options)) {
        if (at < from)
            continue;
        result.text += model.substr(from, at - from);
        result.text +=
            pastedModel(replacement, inModelIndentation(result.text, result.text.size()));
        result.cursor = result.text.size();
        ++result.count;
        result.starts.push_back(at);
        from = at + modelMatchLength(needle, options);
    }
    result.text += model.substr(from);
    return result;
}

// The characters of a text: a surrogate pair is one.
inline int32_t charactersIn(std::u16string_view text) {
    int32_t count = 0;
    forEachCodePoint(text, [&](char32_t) { ++count; });
    return count;
}

// The lines of a model text, each with its cells, and the break unit after each line but
// the last.
struct ModelLines {
    std::vector<std::vector<std::u16string>> cells{std::vector<std::u16string>(1)};
    std::vector<char16_t> breaks;
};
inline ModelLines linesOf(std::u16string_view model) {
    ModelLines lines;
    for (const char16_t unit : model) {
        if (isBreakUnit(unit)) {
            lines.breaks.push_back(unit);
            lines.cells.emplace_back(1);
        } else if (isTabUnit(unit)) {
            lines.cells.back().emplace_back();
        } else {
            lines.cells.back().back() += unit;
        }
    }
    return lines;
}

// The columns of a model text made of spaces as text/tabwriter makes them with minwidth 4,
// padding 2 and ' ' to pad with: a column block is the run of lines from one where the
// column's cell is followed by a tab, as long as that holds; within a block the next column
// is formatted the same way, recursively; a column's width is its block's widest cell plus
// the padding, at least minwidth. Line ends stay as break units.
class TabwriterReference {
public:
    explicit TabwriterReference(std::u16string_view model) : lines(linesOf(model)) {
        widths.assign(lines.cells.size(), {});
        format(0, lines.cells.size());
    }
    std::u16string text() const {
        std::u16string out;
        for (size_t l = 0; l < lines.cells.size(); ++l) {
            const std::vector<std::u16string>& cells = lines.cells[l];
            for (size_t i = 0; i < cells.size(); ++i) {
                out += cells[i];
                if (i + 1 < cells.size())
                    out.append(static_cast<size_t>(widths[l][i] - charactersIn(cells[i])), u' ');
            }
            if (l < lines.breaks.size())
                out += lines.breaks[l];
        }
        return out;
    }

private:
    bool hasColumn(size_t line, size_t column) const {
        return column + 1 < lines.cells[line].size();
    }
    void format(size_t first, size_t end) {
        const size_t column = open.size();
        for (size_t l = first; l < end; ++l) {
            if (!hasColumn(l, column))
                continue;
            size_t blockEnd = l;
            int32_t width = 4;
            for (; blockEnd < end && hasColumn(blockEnd, column); ++blockEnd)
                width = std::max(width, charactersIn(lines.cells[blockEnd][column]) + 2);
            for (size_t k = l; k < blockEnd; ++k) {
                widths[k].resize(std::max(widths[k].size(), column + 1));
                widths[k][column] = width;
            }
            open.push_back(width);
            format(l, blockEnd);
            open.pop_back();
            l = blockEnd - 1;
        }
    }

    ModelLines lines;
    std::vector<std::vector<int32_t>> widths;
    std::vector<int32_t> open;
};

inline std::u16string alignedModel(std::u16string_view model) {
    return TabwriterReference(model).text();
}

// Spaces made cells again, the plain way, line by line: the tab units that open a line stay;
// a line with a tab unit after them stays whole; in the others, the spaces at the end go,
// four leading spaces make a spaced tab each where the line stands in indentation (every
// line but the first, and the first when firstInIndentation), and each run of two spaces or
// more with something else on both sides becomes a tab.
inline std::u16string spacesToColumnsReference(std::u16string_view model, bool firstInIndentation) {
    std::u16string out;
    size_t start = 0;
    for (bool inIndentation = firstInIndentation;; inIndentation = true) {
        size_t end = start;
        while (end < model.size() && !isBreakUnit(model[end]))
            ++end;
        std::u16string_view line = model.substr(start, end - start);
        while (!line.empty() && isTabUnit(line.front())) {
            out += line.front();
            line.remove_prefix(1);
        }
        if (std::any_of(line.begin(), line.end(), isTabUnit)) {
            out += line;
        } else {
            std::u16string rest(line);
            while (!rest.empty() && rest.back() == u' ')
                rest.pop_back();
            while (inIndentation && rest.starts_with(u"    ")) {
                out += spacedTabUnit;
                rest.erase(0, 4);
            }
            for (size_t k = 0; k < rest.size();) {
                size_t runEnd = k;
                while (runEnd < rest.size() && rest[runEnd] == u' ')
                    ++runEnd;
                const bool between = k > 0 && rest[k - 1] != u' ' && runEnd < rest.size();
                if (runEnd == k) {
                    out += rest[k++];
                    continue;
                }
                if (between && runEnd - k >= 2)
                    out += u'\t';
                else
                    out.append(runEnd - k, u' ');
                k = runEnd;
            }
        }
        if (end == model.size())
            return out;
        out += model[end];
        start = end + 1;
    }
}

// The same, as saving writes it: the clipboard's text of a copy as spaces.
inline std::u16string alignedReference(std::u16string_view model) {
    return savedOf(alignedModel(model), TextPlace::InLine);
}
