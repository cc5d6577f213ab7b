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

// The columns of a model text made of spaces, the slow and obvious way: for each cell that
// a tab follows, the block is found by walking up and down from its line while the lines
// have a tab after the same column, and its width is the widest cell there plus one, at
// least four.
inline std::u16string alignedReference(std::u16string_view model) {
    std::vector<std::vector<std::u16string>> cells(1, std::vector<std::u16string>(1));
    std::vector<char16_t> breaks;
    for (const char16_t unit : model) {
        if (isBreakUnit(unit)) {
            breaks.push_back(unit);
            cells.emplace_back(1);
        } else if (isTabUnit(unit)) {
            cells.back().emplace_back();
        } else {
            cells.back().back() += unit;
        }
    }
    const auto tabbed = [&](size_t line, size_t column) {
        return line < cells.size() && column + 1 < cells[line].size();
    };
    std::u16string aligned;
    for (size_t l = 0; l < cells.size(); ++l) {
        for (size_t i = 0; i < cells[l].size(); ++i) {
            aligned += cells[l][i];
            if (i + 1 == cells[l].size())
                break;
            size_t top = l, bottom = l;
            while (top > 0 && tabbed(top - 1, i))
                --top;
            while (tabbed(bottom + 1, i))
                ++bottom;
            int32_t width = 4;
            for (size_t k = top; k <= bottom; ++k)
                width = std::max(width, charactersIn(cells[k][i]) + 1);
            aligned.append(static_cast<size_t>(width - charactersIn(cells[l][i])), u' ');
        }
        if (l < breaks.size())
            aligned += breaks[l] == crlfUnit ? u"\r\n" : u"\n";
    }
    return aligned;
}
