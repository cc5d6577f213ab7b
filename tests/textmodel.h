#pragma once

#include "support/Utf16.h"
#include "textbox/CLBox.h"
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

inline std::u16string modelOf(const CLBox& box) {
    std::u16string model;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            const CLTab& cell = *line.tabs.at(t);
            model += cell.text.view();
            if (t + 1 < line.tabs.size())
                model += cell.form() == IndentForm::Spaces ? spacedTabUnit : u'\t';
        }
        if (!line.lineEnd.empty())
            model += line.lineEnd == u"\n" ? u'\n' : crlfUnit;
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

inline size_t offsetOf(const CLBox& box, const CLPos& pos) {
    size_t offset = 0;
    for (int32_t l = 0; l < pos.yLine; ++l) {
        const CLLine& line = *box.lines.at(l);
        for (int32_t t = 0; t < line.tabs.size(); ++t)
            offset += line.tabs.at(t)->text.size() + 1; // the last cell's 1 is the line end
    }
    const CLLine& line = *box.lines.at(pos.yLine);
    for (int32_t t = 0; t < pos.xTab; ++t)
        offset += line.tabs.at(t)->text.size() + 1;
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
