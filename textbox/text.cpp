#include "textbox/CLBox.h"

#include "support/Rounding.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

namespace {

// The pieces of s between separators, empty ones included: n separators give n + 1.
template <class Visit> void forEachPiece(std::u16string_view s, char16_t separator, Visit visit) {
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(separator, start);
        if (end == std::u16string_view::npos) {
            visit(s.substr(start), true);
            return;
        }
        visit(s.substr(start, end - start), false);
        start = end + 1;
    }
}

int32_t countOf(std::u16string_view s, char16_t unit) {
    return static_cast<int32_t>(std::count(s.begin(), s.end(), unit));
}

// Builds the records of one load. Cells borrow their texts from the loaded text,
// which every chunk of the arena keeps alive.
class LineBuilder {
public:
    LineBuilder(std::shared_ptr<const std::u16string> text, const CLOptions& options)
        : arena(std::move(text)), spacesPerCell(std::max(1, roundToPixel(options.tabMin))) {}

    // One line from its text (without "\n"): a trailing "\r" becomes the line end,
    // each run of tabMin leading spaces an empty indentation cell, and each tab a cell
    // boundary.
    Ref<CLLine> makeLine(std::u16string_view piece, bool isLast) {
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
        piece.remove_prefix(static_cast<size_t>(indentCells) * static_cast<size_t>(spacesPerCell));
        line->tabs.reserve(indentCells + countOf(piece, u'\t') + 1);
        for (int32_t k = 0; k < indentCells; ++k)
            line->tabs.add(makeCell({}), 0);
        forEachPiece(piece, u'\t',
                     [&](std::u16string_view text, bool) { line->tabs.add(makeCell(text), 0); });
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
    lines.del(0, lines.size());
    auto text = std::make_shared<const std::u16string>(std::move(s));
    const std::u16string_view whole(*text);
    lines.reserve(countOf(whole, u'\n') + 1);
    LineBuilder builder(std::move(text), options);
    forEachPiece(whole, u'\n', [&](std::u16string_view piece, bool isLast) {
        lines.add(builder.makeLine(piece, isLast), 0);
    });
    cursor = CLPos{};
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
