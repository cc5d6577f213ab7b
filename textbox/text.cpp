#include "textbox/CLBox.h"
#include "textbox/loadedlines.h"

#include "support/Rounding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Line breaks are found four units at a time: source text is long runs of none.
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

// Counted in blocks of a fixed length, which compilers turn into vector compares.
size_t countBreaks(std::u16string_view s) {
    constexpr size_t block = 64;
    size_t breaks = 0, at = 0;
    for (; at + block <= s.size(); at += block) {
        uint32_t inBlock = 0;
        for (size_t k = 0; k < block; ++k)
            inBlock += s[at + k] == u'\n' ? 1u : 0u;
        breaks += inBlock;
    }
    return breaks +
           static_cast<size_t>(std::count(s.begin() + static_cast<ptrdiff_t>(at), s.end(), u'\n'));
}

// Lanes holding a unit below U+0020, where line breaks and tabs are.
uint64_t controlLanes(uint64_t word) {
    return zeroLanes(word & everyLane(0xFFE0));
}

// Calls visit(offset, line, isLast, hasTab) for the text before each "\n" and then for
// the rest, in order.
template <class Visit> void forEachLine(std::u16string_view s, Visit visit) {
    size_t lineStart = 0;
    bool hasTab = false;
    const auto control = [&](size_t at) {
        if (s[at] == u'\n') {
            visit(lineStart, s.substr(lineStart, at - lineStart), false, hasTab);
            lineStart = at + 1;
            hasTab = false;
        } else if (s[at] == u'\t') {
            hasTab = true;
        }
    };
    size_t at = 0;
    for (; at + 4 <= s.size(); at += 4)
        for (uint64_t found = controlLanes(wordAt(s.data() + at)); found != 0; found &= found - 1)
            control(at + static_cast<size_t>(std::countr_zero(found)) / 16);
    for (; at < s.size(); ++at)
        if (s[at] < 0x20)
            control(at);
    visit(lineStart, s.substr(lineStart), true, hasTab);
}

// Every character but the tabs between cells counts as empty; most lines tell once past
// their indentation, which is skipped four spaces at a time.
bool isEmptyLineText(std::u16string_view piece) {
    size_t at = 0;
    while (at + 4 <= piece.size() && wordAt(piece.data() + at) == everyLane(u' '))
        at += 4;
    for (const char16_t unit : piece.substr(at))
        if (unit != u'\t' && !CLBox::isEmptyCharacter(unit))
            return false;
    return true;
}

std::u16string_view withoutReturn(std::u16string_view piece) {
    return !piece.empty() && piece.back() == u'\r' ? piece.substr(0, piece.size() - 1) : piece;
}

// The break after a line's piece, which it holds up to its "\n".
LineEnd breakEnding(std::u16string_view piece) {
    return LineEnd(withoutReturn(piece).size() < piece.size() ? u"\r\n" : u"\n");
}

// A code: bit 0 the line's emptiness, bit 1 whether it holds a tab, bits 2 to 31 its
// length, 32 to 62 its offset.
constexpr size_t codedOffsets = (size_t{1} << 31) - 1, codedLengths = (size_t{1} << 30) - 1;
constexpr uint64_t tabBit = 2;

} // namespace

LoadedLines::LoadedLines(CLBox& owner, std::shared_ptr<const std::u16string> text)
    : box(owner), loadedText(text), arena(std::move(text)),
      spacesPerCell(static_cast<size_t>(std::max(1, roundToPixel(owner.options.tabMin)))) {}

std::optional<uint64_t> LoadedLines::codeFor(size_t offset, std::u16string_view piece,
                                             bool hasTab) {
    if (offset > codedOffsets || piece.size() > codedLengths)
        return std::nullopt;
    return uint64_t{offset} << 32 | uint64_t{piece.size()} << 2 | (hasTab ? tabBit : 0) |
           (isEmptyLineText(withoutReturn(piece)) ? 1u : 0u);
}

std::u16string_view LoadedLines::pieceOf(uint64_t code) const {
    return std::u16string_view(*loadedText).substr(code >> 32, (code >> 2) & codedLengths);
}

size_t LoadedLines::indentCellsOf(std::u16string_view piece) const {
    size_t spaces = 0;
    while (spaces + 4 <= piece.size() && wordAt(piece.data() + spaces) == everyLane(u' '))
        spaces += 4;
    while (spaces < piece.size() && piece[spaces] == u' ')
        ++spaces;
    return spaces / spacesPerCell;
}

// Each run of tabMin leading spaces is an empty indentation cell, each tab ends a cell; a
// piece known to hold no tab is not looked through for one.
template <class Cell>
void LoadedLines::forEachCell(std::u16string_view piece, bool hasTab, Cell&& cell) const {
    const size_t indentCells = indentCellsOf(piece);
    for (size_t k = 0; k < indentCells; ++k)
        cell(std::u16string_view());
    size_t cellStart = indentCells * spacesPerCell; // no tab lies in the indentation
    for (size_t tab = hasTab ? piece.find(u'\t', cellStart) : std::u16string_view::npos;
         tab != std::u16string_view::npos; tab = piece.find(u'\t', cellStart)) {
        cell(piece.substr(cellStart, tab - cellStart));
        cellStart = tab + 1;
    }
    cell(piece.substr(cellStart));
}

Ref<CLLine> LoadedLines::makeLine(std::u16string_view piece, bool isLast, bool hasTab) {
    Ref<CLLine> line = arena.make<CLLine>();
    if (isLast) {
        line->lineEnd = u"";
    } else {
        line->lineEnd = breakEnding(piece);
        piece = withoutReturn(piece);
    }
    const auto tabs = hasTab ? std::count(piece.begin(), piece.end(), u'\t') : 0;
    const size_t cells = indentCellsOf(piece) + static_cast<size_t>(tabs) + 1;
    line->tabs.reserve(static_cast<int32_t>(std::min<size_t>(cells, INT32_MAX)));
    forEachCell(piece, hasTab,
                [&](std::u16string_view text) { line->tabs.add(makeCell(text), 0); });
    return line;
}

void LoadedLines::appendCellTexts(uint64_t code, std::vector<std::u16string_view>& cells) const {
    forEachCell(withoutReturn(pieceOf(code)), (code & tabBit) != 0,
                [&](std::u16string_view text) { cells.push_back(text); });
}

LineEnd LoadedLines::lineEndOf(uint64_t code) const {
    return breakEnding(pieceOf(code));
}

Ref<CLLine> LoadedLines::make(uint64_t code, int32_t weight) {
    Ref<CLLine> line = makeLine(pieceOf(code), false, (code & tabBit) != 0);
    line->isEmptyLine = isEmpty(code);
    line->height = weight;
    measure(*line);
    return line;
}

// In the box's font, as its other lines were measured, whatever line is being drawn.
void LoadedLines::measure(CLLine& line) {
    Surface& surface = box.surface();
    const double drawn = surface.fontSize(), boxFont = box.fontSize;
    if (drawn != boxFont)
        surface.setFontSize(boxFont);
    try {
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            box.tabInnerWidth(*line.tabs.at(i));
    } catch (...) {
        if (drawn != boxFont)
            surface.setFontSize(drawn);
        throw;
    }
    if (drawn != boxFont)
        surface.setFontSize(drawn);
}

Ref<CLTab> LoadedLines::makeCell(std::u16string_view text) {
    Ref<CLTab> cell = arena.make<CLTab>();
    cell->text.borrow(text);
    return cell;
}

// As the line made would give it: each indentation cell a tab, the rest as loaded, a
// "\r" before the line break included.
void LoadedLines::appendText(std::u16string& out, uint64_t code) const {
    const std::u16string_view piece = pieceOf(code);
    const size_t indentCells = indentCellsOf(withoutReturn(piece));
    out.append(indentCells, u'\t');
    out += piece.substr(indentCells * spacesPerCell);
    out += u'\n';
}

size_t LoadedLines::textLength(uint64_t code) const {
    const std::u16string_view piece = pieceOf(code);
    return piece.size() + 1 - indentCellsOf(withoutReturn(piece)) * (spacesPerCell - 1);
}

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

// Only the last line, which no line break ends, and lines too far into a huge text for a
// code are made at once; the others when first read.
void CLBox::loadtext(std::u16string&& s) {
    markTextChanged();
    lines.del(0, lines.size());
    auto text = std::make_shared<const std::u16string>(std::move(s));
    const std::u16string_view whole(*text);
    lines.reserve(static_cast<int32_t>(countBreaks(whole)) + 1);
    loaded = std::make_unique<LoadedLines>(*this, std::move(text));
    lines.setMaker(loaded.get());
    forEachLine(whole, [&](size_t offset, std::u16string_view piece, bool isLast, bool hasTab) {
        const std::optional<uint64_t> code =
            isLast ? std::nullopt : LoadedLines::codeFor(offset, piece, hasTab);
        lines.add(code ? Ref<CLLine>::pending(*code) : loaded->makeLine(piece, isLast, hasTab), 0);
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

void CLBox::cellTexts(int32_t l, std::vector<std::u16string_view>& cells) const {
    cells.clear();
    if (!lines.isMade(l)) {
        loaded->appendCellTexts(lines.pendingCode(l), cells);
        return;
    }
    const CLLine& line = *lines.at(l);
    for (int32_t i = 0; i < line.tabs.size(); ++i)
        cells.push_back(line.tabs.at(i)->text.view());
}

LineEnd CLBox::lineEndOf(int32_t l) const {
    return lines.isMade(l) ? lines.at(l)->lineEnd : loaded->lineEndOf(lines.pendingCode(l));
}

std::u16string CLBox::gettext() const {
    size_t length = 0;
    for (int32_t l = 0; l < lines.size(); ++l) {
        if (!lines.isMade(l)) {
            length += loaded->textLength(lines.pendingCode(l));
            continue;
        }
        const CLLine& line = *lines.at(l);
        for (int32_t i = 0; i < line.tabs.size(); ++i)
            length += line.tabs.at(i)->text.size() + 1;
        length += line.lineEnd.size();
    }
    std::u16string text;
    text.reserve(length);
    for (int32_t l = 0; l < lines.size(); ++l) {
        if (!lines.isMade(l)) {
            loaded->appendText(text, lines.pendingCode(l));
            continue;
        }
        const CLLine& line = *lines.at(l);
        const int32_t last = line.tabs.size() - 1;
        for (int32_t i = 0; i <= last; ++i) {
            text += line.tabs.at(i)->text.view();
            text += i == last ? line.lineEnd.view() : std::u16string_view(u"\t");
        }
    }
    return text;
}
