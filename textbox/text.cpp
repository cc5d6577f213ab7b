#include "textbox/CLBox.h"

#include "support/Rounding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Lines and tabs are found four units at a time: source text is long runs of neither.
// A word holds units at..at+3, the first in its lowest 16 bits.
uint64_t wordAt(const char16_t* units) {
    uint64_t word = 0;
    std::memcpy(&word, units, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word =
            word << 48 | (word << 16 & 0xFFFF00000000u) | (word >> 16 & 0xFFFF0000u) | word >> 48;
    return word;
}

constexpr uint64_t everyLane(uint64_t unit) {
    return unit * 0x0001000100010001u;
}

// The high bit of every 16-bit lane of word that is zero, and no other bit.
uint64_t zeroLanes(uint64_t word) {
    constexpr uint64_t low = everyLane(0x7FFF);
    return ~(((word & low) + low) | word | low);
}

// Lanes holding a unit below U+0020, where line breaks and tabs are.
uint64_t controlLanes(uint64_t word) {
    return zeroLanes(word & everyLane(0xFFE0));
}

size_t countBreaks(std::u16string_view s) {
    size_t breaks = 0, at = 0;
    for (; at + 4 <= s.size(); at += 4)
        breaks += (zeroLanes(wordAt(s.data() + at) ^ everyLane(u'\n')) >> 15) * everyLane(1) >> 48;
    return breaks +
           static_cast<size_t>(std::count(s.begin() + static_cast<ptrdiff_t>(at), s.end(), u'\n'));
}

// Calls visit(line, tabs, isLast) for the text before each "\n" and then for the rest,
// in order; tabs holds the offsets of the line's tabs in the line.
template <class Visit> void forEachLine(std::u16string_view s, Visit visit) {
    std::vector<size_t> tabs;
    size_t lineStart = 0;
    const auto control = [&](size_t at) {
        if (s[at] == u'\n') {
            visit(s.substr(lineStart, at - lineStart), std::span<const size_t>(tabs), false);
            tabs.clear();
            lineStart = at + 1;
        } else if (s[at] == u'\t') {
            tabs.push_back(at - lineStart);
        }
    };
    size_t at = 0;
    for (; at + 4 <= s.size(); at += 4)
        for (uint64_t found = controlLanes(wordAt(s.data() + at)); found != 0; found &= found - 1)
            control(at + static_cast<size_t>(std::countr_zero(found)) / 16);
    for (; at < s.size(); ++at)
        if (s[at] < 0x20)
            control(at);
    visit(s.substr(lineStart), std::span<const size_t>(tabs), true);
}

// Builds the records of one load. Cells borrow their texts from the loaded text,
// which every chunk of the arena keeps alive.
class LineBuilder {
public:
    LineBuilder(std::shared_ptr<const std::u16string> text, const CLOptions& options)
        : arena(std::move(text)), spacesPerCell(std::max(1, roundToPixel(options.tabMin))) {}

    // One line from its text (without "\n") and the offsets of its tabs: a trailing "\r"
    // becomes the line end, each run of tabMin leading spaces an empty indentation cell,
    // and each tab a cell boundary.
    Ref<CLLine> makeLine(std::u16string_view piece, std::span<const size_t> tabs, bool isLast) {
        Ref<CLLine> line = arena.make<CLLine>();
        if (isLast) {
            line->lineEnd = u"";
        } else if (!piece.empty() && piece.back() == u'\r') {
            line->lineEnd = u"\r\n";
            piece.remove_suffix(1);
        } else {
            line->lineEnd = u"\n";
        }
        const size_t firstNonSpace = piece.find_first_not_of(u' ');
        const size_t spaces =
            firstNonSpace == std::u16string_view::npos ? piece.size() : firstNonSpace;
        const auto indentCells = static_cast<int32_t>(spaces / static_cast<size_t>(spacesPerCell));
        const size_t indent = static_cast<size_t>(indentCells) * static_cast<size_t>(spacesPerCell);
        line->tabs.reserve(indentCells + static_cast<int32_t>(tabs.size()) + 1);
        for (int32_t k = 0; k < indentCells; ++k)
            line->tabs.add(makeCell({}), 0);
        size_t cellStart = indent; // no tab lies in the indentation, which is spaces
        for (const size_t tab : tabs) {
            line->tabs.add(makeCell(piece.substr(cellStart, tab - cellStart)), 0);
            cellStart = tab + 1;
        }
        line->tabs.add(makeCell(piece.substr(cellStart)), 0);
        return line;
    }

private:
    Ref<CLTab> makeCell(std::u16string_view text) {
        Ref<CLTab> cell = arena.make<CLTab>();
        cell->text.borrow(text);
        return cell;
    }

    RecordArena arena;
    int32_t spacesPerCell;
};

} // namespace

LineEnd& LineEnd::operator=(std::u16string_view text) {
    if (text.empty())
        code = Code::None;
    else if (text == u"\n")
        code = Code::Feed;
    else if (text == u"\r\n")
        code = Code::ReturnFeed;
    else
        throw EngineError(ErrorNumber::BadArgument,
                          "a line ends in \"\\r\\n\", \"\\n\" or nothing");
    return *this;
}

std::u16string_view LineEnd::view() const {
    switch (code) {
    case Code::Feed:
        return u"\n";
    case Code::ReturnFeed:
        return u"\r\n";
    default:
        return u"";
    }
}

void CLBox::loadtext(std::u16string_view s) {
    loadtext(std::u16string(s));
}

void CLBox::loadtext(std::u16string&& s) {
    markTextChanged();
    lines.del(0, lines.size());
    auto text = std::make_shared<const std::u16string>(std::move(s));
    const std::u16string_view whole(*text);
    lines.reserve(static_cast<int32_t>(countBreaks(whole)) + 1);
    LineBuilder builder(std::move(text), options);
    forEachLine(whole, [&](std::u16string_view piece, std::span<const size_t> tabs, bool isLast) {
        lines.add(builder.makeLine(piece, tabs, isLast), 0);
    });
    cursor = CLPos{};
    selectionAnchor.reset();
    scrX = 0;
    scrY = 0;
    updateCache();
    updateHeight(0, lines.size());
    updateInnerWidth(0, lines.size());
    moving = true;
}

std::u16string CLBox::gettext() const {
    size_t length = 0;
    for (int32_t l = 0; l < lines.size(); ++l) {
        const CLLine& line = *lines.at(l);
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            length += line.tabs.at(i)->text.size() + 1;
        length += line.lineEnd.size();
    }
    std::u16string text;
    text.reserve(length);
    for (int32_t l = 0; l < lines.size(); ++l) {
        const CLLine& line = *lines.at(l);
        const int32_t last = line.tabs.size() - 1;
        for (int32_t i = 0; i <= last; ++i) {
            text += line.tabs.at(i)->text.view();
            text += i == last ? line.lineEnd.view() : std::u16string_view(u"\t");
        }
    }
    return text;
}
