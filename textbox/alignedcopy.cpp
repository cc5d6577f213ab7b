#include "textbox/alignedcopy.h"

#include "support/Utf16.h"
#include "textbox/Surface.h"

#include <cstdint>
#include <string_view>

namespace {

// A surface that measures in characters, one per code point, and draws nothing: laid out
// on it, a text's column widths are counted in characters.
class CharacterGrid : public Surface {
public:
    void setScaleMode(int) override {}
    double scaleWidth() const override { return 1 << 20; }
    double scaleHeight() const override { return 1 << 20; }
    double textWidth(std::u16string_view text) override {
        double count = 0;
        forEachCodePoint(text, [&](char32_t) { ++count; });
        return count;
    }
    double textHeight(std::u16string_view) override { return 1; }
    std::u16string fontName() const override { return u"grid"; }
    void setFontName(const std::u16string&) override {}
    double fontSize() const override { return 1; }
    void setFontSize(double) override {}
    bool fontBold() const override { return false; }
    void setFontBold(bool) override {}
    bool fontItalic() const override { return false; }
    void setFontItalic(bool) override {}
    bool fontStrikethrough() const override { return false; }
    void setFontStrikethrough(bool) override {}
    void hide() override {}
    void show() override {}
    void clear() override {}
    void setDrawingPosition(double, double) override {}
    double drawingX() const override { return 0; }
    double drawingY() const override { return 0; }
    void print(std::u16string_view) override {}
    void line(double, double, double, double, int32_t) override {}
    void fillRect(double, double, double, double, int32_t) override {}
    void processPendingEvents() override {}
    void beep() override {}
};

} // namespace

// The text is laid out by the layout itself, in a box of its own on the grid, whose options
// make the column rule's minimum and padding.
TextFragment alignedFragment(std::shared_ptr<const TextFragment> fragment) {
    CharacterGrid grid;
    CLBox scratch;
    scratch.options.tabMin = alignedMinimumWidth;
    scratch.options.tabMargin = alignedPadding;
    scratch.bind(grid);
    scratch.loadtext(u"");
    replaceRange(scratch, CLPos{}, CLPos{}, std::move(fragment), [](const TextChange&) {});
    scratch.updateWidth(0, scratch.lines.size());
    // Walked twice: once to size the text, which may be the whole document, then to write it.
    const auto forEachPiece = [&](const auto& piece) {
        for (int32_t l = 0; l < scratch.lines.size(); ++l) {
            const CLLine& line = *scratch.lines.at(l);
            const int32_t last = line.tabs.size() - 1;
            for (int32_t i = 0; i < last; ++i) {
                const CLTab& cell = *line.tabs.at(i);
                piece(cell.text.view(), static_cast<size_t>(cell.width - cell.innerWidth), nullptr);
            }
            piece(line.tabs.at(last)->text.view(), 0,
                  line.lineEnd.empty() ? nullptr : &line.lineEnd);
        }
    };
    size_t length = 0;
    forEachPiece([&](std::u16string_view text, size_t padding, const LineEnd* lineEnd) {
        length += text.size() + padding + (lineEnd != nullptr ? 1 : 0);
    });
    TextFragment aligned;
    aligned.text.reserve(length);
    aligned.lineEnds.reserve(static_cast<size_t>(scratch.lines.size() - 1));
    forEachPiece([&](std::u16string_view text, size_t padding, const LineEnd* lineEnd) {
        aligned.text += text;
        aligned.text.append(padding, u' ');
        if (lineEnd != nullptr) {
            aligned.text += u'\n';
            aligned.lineEnds.push_back(*lineEnd);
        }
    });
    return aligned;
}

std::u16string alignedWithSpaces(std::shared_ptr<const TextFragment> fragment) {
    return savedText(alignedFragment(std::move(fragment)), CLOptions{}, TextPlace::InLine);
}
