#include "textbox/CLBox.h"
#include "textbox/indentation.h"
#include "textbox/loadedlines.h"

#include "support/Rounding.h"
#include "support/UnitBlocks.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Line breaks and tabs are found in blocks of eight lanes.
constexpr UnitBlock feedBlock = unitInEveryLane(u'\n');
constexpr UnitBlock tabBlock = unitInEveryLane(u'\t');

// Each lane counts the breaks it saw, up to 65535, before the lanes are added up.
size_t countBreaks(std::u16string_view s) {
    constexpr size_t laneRound = 65535 * blockUnits;
    size_t breaks = 0, at = 0;
    while (at + blockUnits <= s.size()) {
        const size_t end = at + std::min(laneRound, (s.size() - at) / blockUnits * blockUnits);
        UnitBlock counted = {};
        for (; at < end; at += blockUnits)
            counted -= reinterpret_cast<UnitBlock>(blockAt(s.data() + at) == feedBlock);
        for (size_t k = 0; k < blockUnits; ++k)
            breaks += counted[k];
    }
    return breaks +
           static_cast<size_t>(std::count(s.begin() + static_cast<ptrdiff_t>(at), s.end(), u'\n'));
}

// Bit k set where unit k of the 64 from units is a line break or a tab. A single mask for
// a stretch longer than most lines spares the branches that cost most here: the vector
// unit's byte mask gives it where the machine has one, a multiply folds the bytes elsewhere.
uint64_t breaksAndTabsAt(const char16_t* units) {
    uint64_t mask = 0;
    for (size_t k = 0; k < 64; k += 2 * blockUnits) {
        const UnitBlock low = blockAt(units + k), high = blockAt(units + k + blockUnits);
#if defined(__SSE2__)
        const auto found = [](UnitBlock block) {
            return reinterpret_cast<__m128i>((block == feedBlock) | (block == tabBlock));
        };
        const auto bytes = _mm_packs_epi16(found(low), found(high));
        mask |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(bytes))} << k;
#else
        const auto bitsOf = [](UnitBlock block) {
            const uint64_t word = laneBytes(
                __builtin_convertvector((block == feedBlock) | (block == tabBlock), ByteBlock));
            return (word & 0x0101010101010101u) * 0x0102040810204080u >> 56;
        };
        mask |= (bitsOf(low) | bitsOf(high) << blockUnits) << k;
#endif
    }
    return mask;
}

// Calls visit(offset, line, isLast, hasTab) for the text before each "\n" and then for
// the rest, in order.
template <class Visit> void forEachLine(std::u16string_view s, Visit visit) {
    size_t lineStart = 0;
    bool hasTab = false;
    const auto found = [&](size_t at) {
        if (s[at] == u'\t') {
            hasTab = true;
            return;
        }
        visit(lineStart, s.substr(lineStart, at - lineStart), false, hasTab);
        lineStart = at + 1;
        hasTab = false;
    };
    size_t at = 0;
    for (; at + 64 <= s.size(); at += 64)
        for (uint64_t mask = breaksAndTabsAt(s.data() + at); mask != 0; mask &= mask - 1)
            found(at + static_cast<size_t>(std::countr_zero(mask)));
    for (; at < s.size(); ++at)
        if (s[at] == u'\n' || s[at] == u'\t')
            found(at);
    visit(lineStart, s.substr(lineStart), true, hasTab);
}

// Every character but the tabs between cells counts as empty; most lines tell once past
// their indentation.
bool isEmptyLineText(std::u16string_view piece) {
    for (const char16_t unit : piece.substr(leadingSpaces(piece)))
        if (unit != u'\t' && !CLBox::isEmptyCharacter(unit))
            return false;
    return true;
}

inline std::u16string_view withoutReturn(std::u16string_view piece) {
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
      spacesPerCell(spacesPerIndentCell(owner.options)) {}

bool LoadedLines::hasCode(size_t offset, std::u16string_view piece) {
    return offset <= codedOffsets && piece.size() <= codedLengths;
}

uint64_t LoadedLines::codeFor(size_t offset, std::u16string_view piece, bool hasTab) {
    return uint64_t{offset} << 32 | uint64_t{piece.size()} << 2 | (hasTab ? tabBit : 0) |
           (isEmptyLineText(withoutReturn(piece)) ? 1u : 0u);
}

// Past the loaded text, one unit apart from it, come the texts handed over since.
size_t LoadedLines::nextTextOffset() const {
    return adopted.empty() ? loadedText->size() + 1 : adopted.back().offset + adopted.back().size;
}

void LoadedLines::adoptText(std::u16string&& text, std::weak_ptr<const void> holder) {
    releaseUnused();
    const size_t offset = nextTextOffset(), size = text.size();
    auto kept = std::make_shared<const std::u16string>(std::move(text));
    adopted.push_back({offset, size, kept, std::make_unique<RecordArena>(kept), std::move(holder)});
}

// One pass over the lines, and only when a holder has gone: an edit's undo keeps its lines.
void LoadedLines::releaseUnused() {
    std::vector<bool> candidate(adopted.size());
    bool any = false;
    for (size_t k = 0; k < adopted.size(); ++k) {
        candidate[k] = adopted[k].text && adopted[k].holder.expired();
        any = any || candidate[k];
    }
    if (!any)
        return;
    const OArray<CLLine>& lines = box.lines;
    for (int32_t l = 0; l < lines.size(); ++l)
        if (!lines.isMade(l))
            if (const AdoptedText* text = adoptedHolding(lines.pendingCode(l) >> 32))
                candidate[static_cast<size_t>(text - adopted.data())] = false;
    for (size_t k = 0; k < adopted.size(); ++k)
        if (candidate[k]) {
            adopted[k].arena.reset();
            adopted[k].text.reset();
        }
}

const LoadedLines::AdoptedText* LoadedLines::adoptedHolding(size_t offset) const {
    if (offset <= loadedText->size())
        return nullptr;
    const auto after =
        std::upper_bound(adopted.begin(), adopted.end(), offset,
                         [](size_t at, const AdoptedText& text) { return at < text.offset; });
    return after == adopted.begin() ? nullptr : &*(after - 1);
}

std::u16string_view LoadedLines::pieceOf(uint64_t code) const {
    const size_t offset = code >> 32, length = (code >> 2) & codedLengths;
    if (const AdoptedText* text = adoptedHolding(offset))
        return std::u16string_view(*text->text).substr(offset - text->offset, length);
    return std::u16string_view(*loadedText).substr(offset, length);
}

RecordArena& LoadedLines::arenaOf(uint64_t code) {
    const AdoptedText* text = adoptedHolding(code >> 32);
    return text != nullptr ? *text->arena : arena;
}

// Each run of tabMin leading spaces is an empty indentation cell of the form Spaces, each
// tab ends a cell; a piece known to hold no tab is not looked through for one.
template <class Cell>
void LoadedLines::forEachCell(std::u16string_view piece, bool hasTab, Cell&& cell) const {
    const size_t indentCells = indentCellsOf(piece, spacesPerCell);
    for (size_t k = 0; k < indentCells; ++k)
        cell(std::u16string_view(), IndentForm::Spaces);
    size_t cellStart = indentCells * spacesPerCell; // no tab lies in the indentation
    for (size_t tab = hasTab ? piece.find(u'\t', cellStart) : std::u16string_view::npos;
         tab != std::u16string_view::npos; tab = piece.find(u'\t', cellStart)) {
        cell(piece.substr(cellStart, tab - cellStart), IndentForm::Tab);
        cellStart = tab + 1;
    }
    cell(piece.substr(cellStart), IndentForm::Tab);
}

Ref<CLLine> LoadedLines::makeLine(std::u16string_view piece, bool isLast, bool hasTab) {
    return makeLineIn(arena, piece, isLast, hasTab);
}

Ref<CLLine> LoadedLines::makeLineIn(RecordArena& records, std::u16string_view piece, bool isLast,
                                    bool hasTab) {
    Ref<CLLine> line = records.make<CLLine>();
    if (isLast) {
        line->lineEnd = u"";
    } else {
        line->lineEnd = breakEnding(piece);
        piece = withoutReturn(piece);
    }
    const auto tabs = hasTab ? std::count(piece.begin(), piece.end(), u'\t') : 0;
    const size_t cells = indentCellsOf(piece, spacesPerCell) + static_cast<size_t>(tabs) + 1;
    line->tabs.reserve(static_cast<int32_t>(std::min<size_t>(cells, INT32_MAX)));
    forEachCell(piece, hasTab, [&](std::u16string_view text, IndentForm form) {
        line->tabs.add(makeCell(records, text, form), 0);
    });
    return line;
}

void LoadedLines::appendCellTexts(uint64_t code, std::vector<std::u16string_view>& cells,
                                  std::vector<IndentForm>* forms) const {
    forEachCell(withoutReturn(pieceOf(code)), (code & tabBit) != 0,
                [&](std::u16string_view text, IndentForm form) {
                    cells.push_back(text);
                    if (forms != nullptr)
                        forms->push_back(form);
                });
}

LineEnd LoadedLines::lineEndOf(uint64_t code) const {
    return breakEnding(pieceOf(code));
}

Ref<CLLine> LoadedLines::make(uint64_t code, int32_t weight) {
    Ref<CLLine> line = makeLineIn(arenaOf(code), pieceOf(code), false, (code & tabBit) != 0);
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

Ref<CLTab> LoadedLines::makeCell(RecordArena& records, std::u16string_view text, IndentForm form) {
    Ref<CLTab> cell = records.make<CLTab>();
    cell->text.borrow(text);
    cell->setForm(form);
    return cell;
}

// As the line made would give it: exactly as loaded, its indentation spaces and a "\r"
// before the line break included.
void LoadedLines::appendText(std::u16string& out, uint64_t code) const {
    out += pieceOf(code);
    out += u'\n';
}

size_t LoadedLines::savedLength(uint64_t code) const {
    return withoutReturn(pieceOf(code)).size();
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
// code are made at once; the others when first read. A line not made takes its height as
// its code tells, unless the text might be too tall to show: then the heights are laid out
// after loading, which refuses it.
void CLBox::loadtext(std::u16string&& s) {
    markTextChanged();
    lines.del(0, lines.size());
    auto text = std::make_shared<const std::u16string>(std::move(s));
    const std::u16string_view whole(*text);
    const size_t lineCount = countBreaks(whole) + 1;
    lines.reserve(static_cast<int32_t>(std::min<size_t>(lineCount, INT32_MAX)));
    loaded = std::make_unique<LoadedLines>(*this, std::move(text));
    lines.setMaker(loaded.get());
    updateCache();
    const int32_t emptyHeight = emptyLineHeight(), fullHeight = lineHeight;
    const bool heightsFit =
        static_cast<double>(std::max(fullHeight, emptyHeight)) * static_cast<double>(lineCount) <=
        INT32_MAX;
    std::vector<int32_t> madeAtOnce;
    forEachLine(whole, [&](size_t offset, std::u16string_view piece, bool isLast, bool hasTab) {
        if (!isLast && LoadedLines::hasCode(offset, piece)) {
            const uint64_t code = LoadedLines::codeFor(offset, piece, hasTab);
            lines.add(Ref<CLLine>::pending(code), !heightsFit                  ? 0
                                                  : LoadedLines::isEmpty(code) ? emptyHeight
                                                                               : fullHeight);
        } else {
            madeAtOnce.push_back(lines.size());
            lines.add(loaded->makeLine(piece, isLast, hasTab), 0);
        }
    });
    cursor = CLPos{};
    selectionAnchor.reset();
    selectedBlock.reset();
    scrX = 0;
    scrY = 0;
    if (!heightsFit)
        updateHeight(0, lines.size());
    for (const int32_t l : madeAtOnce) {
        updateHeight(l, l + 1);
        updateInnerWidth(l, l + 1);
    }
    moving = true;
}

void CLBox::cellTexts(int32_t l, std::vector<std::u16string_view>& cells) const {
    cellTextsAndForms(l, cells, nullptr);
}

void CLBox::cellTexts(int32_t l, std::vector<std::u16string_view>& cells,
                      std::vector<IndentForm>& forms) const {
    forms.clear();
    cellTextsAndForms(l, cells, &forms);
}

void CLBox::cellTextsAndForms(int32_t l, std::vector<std::u16string_view>& cells,
                              std::vector<IndentForm>* forms) const {
    cells.clear();
    if (!lines.isMade(l)) {
        loaded->appendCellTexts(lines.pendingCode(l), cells, forms);
        return;
    }
    const CLLine& line = *lines.at(l);
    for (int32_t i = 0; i < line.tabs.size(); ++i) {
        cells.push_back(line.tabs.at(i)->text.view());
        if (forms != nullptr)
            forms->push_back(line.tabs.at(i)->form());
    }
}

std::optional<size_t> CLBox::nextLineTextOffset() const {
    if (!loaded)
        return std::nullopt;
    return loaded->nextTextOffset();
}

void CLBox::adoptLineText(std::u16string&& text, std::weak_ptr<const void> holder) {
    if (!loaded)
        throw EngineError(ErrorNumber::BadArgument, "bad argument: lines' texts without a load");
    loaded->adoptText(std::move(text), std::move(holder));
}

void CLBox::exchangeLines(OArray<CLLine>& other) {
    std::swap(lines, other);
    if (loaded)
        lines.setMaker(loaded.get());
}

LineEnd CLBox::lineEndOf(int32_t l) const {
    return lines.isMade(l) ? lines.at(l)->lineEnd : loaded->lineEndOf(lines.pendingCode(l));
}

size_t CLBox::savedLength(int32_t l) const {
    if (!lines.isMade(l))
        return loaded->savedLength(lines.pendingCode(l));
    const CLLine& line = *lines.at(l);
    size_t length = static_cast<size_t>(line.tabs.size()) - 1; // the tabs between the cells
    for (int32_t i = 0; i < line.tabs.size(); ++i)
        length += line.tabs.at(i)->text.size();
    return length +
           static_cast<size_t>(spacedIndentation(line)) * (spacesPerIndentCell(options) - 1);
}

// The cells that open a line written as spaces are written so; every other cell is its text
// and a tab, the last its text and the line end.
std::u16string CLBox::gettext() const {
    const size_t spacesPerCell = spacesPerIndentCell(options);
    size_t length = 0;
    for (int32_t l = 0; l < lines.size(); ++l)
        length += savedLength(l) + lineEndOf(l).size();
    std::u16string text;
    text.reserve(length);
    for (int32_t l = 0; l < lines.size(); ++l) {
        if (!lines.isMade(l)) {
            loaded->appendText(text, lines.pendingCode(l));
            continue;
        }
        const CLLine& line = *lines.at(l);
        const int32_t last = line.tabs.size() - 1, spaced = spacedIndentation(line);
        text.append(static_cast<size_t>(spaced) * spacesPerCell, u' ');
        for (int32_t i = spaced; i <= last; ++i) {
            text += line.tabs.at(i)->text.view();
            text += i == last ? line.lineEnd.view() : std::u16string_view(u"\t");
        }
    }
    return text;
}
