#include "QtSurface.h"

#include "textbox/CLBox.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

class Picker {
public:
    explicit Picker(uint32_t seed) : engine(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution(lo, hi)(engine); }
    template <class T> const T& oneOf(const std::vector<T>& items) {
        return items[static_cast<size_t>(pick(0, static_cast<int>(items.size()) - 1))];
    }

private:
    std::mt19937 engine;
};

// Source-like text with what drawing treats apart: indentation cells, lines of only
// punctuation in the half-size font, long lines, Latin accents, and characters the
// toolkit lays out itself (CJK, a combining mark, an emoji).
std::u16string sourceLikeText(Picker& picker, int lines) {
    static const std::vector<std::u16string> words = {u"int",
                                                      u"while(--c)",
                                                      u"return",
                                                      u"x",
                                                      u"{",
                                                      u"}",
                                                      u");",
                                                      u"0x30B9",
                                                      u"caf\u00e9",
                                                      u"\u20ac5",
                                                      u"\u4e2d",
                                                      u"e\u0301",
                                                      u"\U0001F600",
                                                      u"AVAWAY",
                                                      u"jgy|Q_@",
                                                      u"%&*#",
                                                      u"Wj",
                                                      u"\u017dlu\u0165",
                                                      u"\u00c5ngstr\u00f6m"};
    std::u16string text;
    for (int line = 0; line < lines; ++line) {
        for (int indent = picker.pick(0, 3); indent > 0; --indent)
            text += picker.pick(0, 1) != 0 ? u"\t" : u"    ";
        const int pieces = picker.pick(0, 9) == 0 ? 60 : picker.pick(0, 8);
        for (int k = 0; k < pieces; ++k) {
            text += picker.oneOf(words);
            text += picker.pick(0, 3) == 0 ? u"\t" : u" ";
        }
        text += u"\n";
    }
    return text;
}

struct Setting {
    double ratio;
    std::u16string font;
    double points;
    bool bold, italic, struckThrough = false;

    void applyTo(QtSurface& surface) const {
        surface.setFontName(font);
        surface.setFontSize(points);
        surface.setFontBold(bold);
        surface.setFontItalic(italic);
        surface.setFontStrikethrough(struckThrough);
    }
};

} // namespace

// Whole frames of the editor through the quick surface, which blends glyphs it learned
// from the toolkit and clears only what it drew, against a surface that leaves every
// pixel to the toolkit. Each step scrolls, types or resizes, so ink left from an earlier
// frame, a glyph blended differently or one put a pixel off would all show.
TEST(QtSurfaceFrames, QuickFramesMatchTheToolkitsPixelForPixel) {
    const Setting settings[] = {
        {1, u"Verdana", 9, false, false},      {2, u"Verdana", 9, false, false},
        {1, u"DejaVu Serif", 11, true, false}, {1, u"Verdana", 13, false, true},
        {3, u"Verdana", 7, false, false},      {1, u"Verdana", 9, false, false, true},
        {1.5, u"Verdana", 9, false, false}};
    const std::vector<char32_t> typed = {U'a', U'W', U'\t', U'\r', U'}', U'\u00e9', U'\b', U'\b'};
    Picker picker(17);
    for (const Setting& setting : settings) {
        QtSurface quick(300, 180, 96, setting.ratio);
        QtSurface model(300, 180, 96, setting.ratio, QtSurface::Drawing::ToolkitOnly);
        const std::u16string text = sourceLikeText(picker, 120);
        CLBox quickBox, modelBox;
        for (auto [surface, box] : {std::pair{&quick, &quickBox}, std::pair{&model, &modelBox}}) {
            setting.applyTo(*surface);
            box->bind(*surface);
            box->loadtext(text);
        }
        EXPECT_EQ(quick.blendsGlyphs(), setting.ratio != 1.5) << "the quick way is not taken";
        for (int step = 0; step < 40; ++step) {
            const int action = picker.pick(0, 4);
            const double scrollX = picker.pick(0, 3) == 0 ? picker.pick(0, 4000) / 10.0 : 0;
            const double scrollY = picker.pick(0, 40000) / 10.0;
            const char32_t ch = picker.oneOf(typed);
            const int cursorX = picker.pick(0, 300);
            const int32_t width = picker.pick(150, 400), height = picker.pick(100, 250);
            for (auto [surface, box] :
                 {std::pair{&quick, &quickBox}, std::pair{&model, &modelBox}}) {
                if (action == 0) {
                    box->scrmovX = scrollX;
                    box->scrmovY = scrollY;
                } else if (action == 1) {
                    surface->resize(width, height);
                } else {
                    box->cursor = box->XYscrmovToPos(cursorX, 90, false);
                    box->insertChar(ch, box->cursor);
                }
                box->render();
            }
            ASSERT_TRUE(quick.presentedImage() == model.presentedImage())
                << "ratio " << setting.ratio << " points " << setting.points << " step " << step;
        }
    }
}

// A line far wider than the view, scrolled deep into it: the quick surface prints only the
// part in view, found through the line's measured pieces, and must leave the pixels the
// toolkit leaves drawing the whole line. Typing and deleting there change the pieces the
// next frame finds its part by. A second long line holds characters the toolkit shapes.
TEST(QtSurfaceFrames, LongLineScrolledFarRightMatchesTheToolkitsPixelForPixel) {
    const Setting settings[] = {{1, u"Verdana", 9, false, false},
                                {2, u"DejaVu Serif", 11, true, true},
                                {1.5, u"Verdana", 9, false, false}};
    const std::vector<std::u16string> words = {
        u"\"key\":", u"[1,2]", u"caf\u00e9",          u"AVAWAY",
        u"jgy|Q_@",  u"{}",    u"\u00c5ngstr\u00f6m", u" "};
    const std::vector<char32_t> typed = {U'a', U'W', U'}', U'\u00e9', U'\b', U'\b', U'j'};
    Picker picker(19);
    std::u16string plain, shaped;
    while (plain.size() < 60000)
        plain += picker.oneOf(words);
    while (shaped.size() < 20000)
        shaped += picker.pick(0, 20) == 0 ? u"\u4e2d" : picker.oneOf(words);
    const std::u16string text = plain + u"\n" + shaped + u"\nshort line\n";
    for (const Setting& setting : settings) {
        QtSurface quick(320, 120, 96, setting.ratio);
        QtSurface model(320, 120, 96, setting.ratio, QtSurface::Drawing::ToolkitOnly);
        CLBox quickBox, modelBox;
        for (auto [surface, box] : {std::pair{&quick, &quickBox}, std::pair{&model, &modelBox}}) {
            setting.applyTo(*surface);
            box->bind(*surface);
            box->loadtext(text);
        }
        const int32_t lineWidth = quickBox.lines.at(0)->tabs.at(0)->innerWidth;
        ASSERT_EQ(lineWidth, modelBox.lines.at(0)->tabs.at(0)->innerWidth);
        for (int step = 0; step < 30; ++step) {
            const double scrollX = picker.pick(0, lineWidth * 10) / 10.0;
            const double scrollY = picker.pick(0, 3) == 0 ? picker.pick(0, 300) / 10.0 : 0;
            const bool typing = picker.pick(0, 1) == 0;
            const char32_t ch = picker.oneOf(typed);
            const int cursorX = picker.pick(0, 320), cursorY = picker.pick(0, 40);
            for (CLBox* box : {&quickBox, &modelBox}) {
                box->scrmovX = scrollX;
                box->scrmovY = scrollY;
                if (typing) {
                    box->cursor = box->XYscrmovToPos(cursorX, cursorY, false);
                    box->insertChar(ch, box->cursor);
                }
                box->render();
            }
            ASSERT_EQ(quickBox.cursor, modelBox.cursor) << "step " << step;
            ASSERT_TRUE(quick.presentedImage() == model.presentedImage())
                << "ratio " << setting.ratio << " step " << step << " at " << scrollX;
        }
        EXPECT_EQ(quickBox.gettext(), modelBox.gettext());
    }
}
