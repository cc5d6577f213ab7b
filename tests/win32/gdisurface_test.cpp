#include "platform/win32/GdiSurface.h"
#include "support/EngineError.h"
#include "support/Rounding.h"
#include "tests/randomtext.h"
#include "textbox/CLBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

constexpr int32_t paleCyan = 223 + 256 * 255 + 65536 * 255;
constexpr int32_t orange = 255 + 256 * 128;

int32_t background() {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    return static_cast<int32_t>(window & 0xFFFFFF);
}

// The smallest rectangle holding every pixel that is not the background.
RECT inkBounds(const GdiSurface& surface, int32_t width, int32_t height) {
    RECT bounds{width, height, -1, -1};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (surface.pixelAt(x, y) != background()) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x);
                bounds.bottom = std::max<LONG>(bounds.bottom, y);
            }
    return bounds;
}

TEST(GdiDrawing, FilledRectangleIncludesBothCornersInThePackedColour) {
    struct Row {
        double x0, y0, x1, y1;
    };
    for (const Row row : {Row{5, 6, 10, 12}, Row{10, 12, 5, 6}, Row{5.4, 5.6, 9.6, 12.4}}) {
        GdiSurface surface;
        surface.resize(40, 30);
        surface.fillRect(row.x0, row.y0, row.x1, row.y1, paleCyan);
        const RECT ink = inkBounds(surface, 40, 30);
        EXPECT_EQ(ink.left, 5);
        EXPECT_EQ(ink.top, 6);
        EXPECT_EQ(ink.right, 10);
        EXPECT_EQ(ink.bottom, 12);
        EXPECT_EQ(surface.pixelAt(7, 9), paleCyan);
    }
}

// A size the system cannot give is refused whole: the surface keeps its size and what
// it shows, and draws on as before.
TEST(GdiDrawing, AResizeTheSystemCannotGiveKeepsTheOldPicture) {
    GdiSurface surface;
    surface.resize(40, 30);
    surface.fillRect(5, 6, 10, 12, paleCyan);
    EXPECT_THROW(surface.resize(1 << 20, 1 << 20), std::runtime_error); // 4 TB
    EXPECT_EQ(surface.scaleWidth(), 40);
    EXPECT_EQ(surface.scaleHeight(), 30);
    EXPECT_EQ(surface.pixelAt(7, 9), paleCyan);
    surface.hide();
    surface.clear();
    surface.fillRect(0, 0, 39, 29, orange);
    surface.show();
    EXPECT_EQ(surface.pixelAt(39, 29), orange);
}

TEST(GdiDrawing, VerticalLineCoversItsHeightInRows) {
    GdiSurface surface;
    surface.resize(20, 30);
    surface.line(3, 2, 3, 12, orange);
    const RECT ink = inkBounds(surface, 20, 30);
    EXPECT_EQ(ink.left, 3);
    EXPECT_EQ(ink.right, 3);
    EXPECT_EQ(ink.top, 2);
    EXPECT_EQ(ink.bottom, 11); // ten rows: the bar is exactly the line height tall
    EXPECT_EQ(surface.pixelAt(3, 5), orange);
}

TEST(GdiDrawing, TextHangsBelowTheDrawingPosition) {
    GdiSurface surface;
    surface.resize(200, 100);
    surface.setFontSize(20);
    const double height = surface.textHeight(u"H");
    surface.setDrawingPosition(30, 40);
    surface.print(u"H");
    const RECT ink = inkBounds(surface, 200, 100);
    ASSERT_GE(ink.right, ink.left) << "nothing was drawn";
    EXPECT_GE(ink.top, 40);
    EXPECT_LT(ink.bottom, 40 + height);
    EXPECT_GE(ink.left, 30);
    EXPECT_LE(ink.right, 30 + surface.textWidth(u"H"));
}

TEST(GdiFonts, SizeIsInPointsAtTheDisplayResolution) {
    GdiSurface surface;
    for (const double points : {9.0, 18.0, 36.0}) {
        surface.setFontSize(points);
        const double emPixels = points * surface.dotsPerInchY() / 72;
        const double lineHeight = surface.textHeight(u" ");
        EXPECT_GE(lineHeight, std::floor(emPixels)) << points;
        EXPECT_LE(lineHeight, 1.6 * emPixels) << points;
        EXPECT_DOUBLE_EQ(surface.fontSize(), points);
    }
    EXPECT_EQ(surface.textWidth(u""), 0);
    EXPECT_EQ(surface.textHeight(u""), surface.textHeight(u" "));
    EXPECT_GT(surface.textWidth(u"mmmm"), surface.textWidth(u"mm"));
}

TEST(GdiFonts, RefusedNameOrSizeKeepsTheFontInForce) {
    GdiSurface surface;
    surface.setFontSize(12);
    const std::u16string name = surface.fontName();
    const double width = surface.textWidth(u"columns");
    EXPECT_THROW(surface.setFontName(u"No Such Typeface 4711"), EngineError);
    EXPECT_THROW(surface.setFontName(u""), EngineError);
    EXPECT_THROW(surface.setFontName(std::u16string(40, u'A')), EngineError);
    for (const double size : {0.0, -3.0, 1e9, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()})
        EXPECT_THROW(surface.setFontSize(size), EngineError) << size;
    EXPECT_EQ(surface.fontName(), name);
    EXPECT_DOUBLE_EQ(surface.fontSize(), 12);
    EXPECT_DOUBLE_EQ(surface.textWidth(u"columns"), width);
}

struct FontChoice {
    std::u16string face;
    double points;
    bool bold, italic;
};

// The faces of the test machine's wine and a Windows desktop, raster fonts among them,
// in every style, at the full and half sizes of a line and a large one.
std::vector<FontChoice> installedFontChoices(GdiSurface& surface) {
    std::vector<FontChoice> choices;
    for (const std::u16string face : {u"Verdana", u"Tahoma", u"DejaVu Sans", u"DejaVu Sans Mono",
                                      u"Courier New", u"System", u"Fixedsys", u"Courier"}) {
        try {
            surface.setFontName(face);
        } catch (const EngineError&) {
            continue; // not installed here
        }
        for (const double points : {4.5, 9.0, 13.5, 30.0})
            for (const int style : {0, 1, 2, 3})
                choices.push_back({face, points, (style & 1) != 0, (style & 2) != 0});
    }
    return choices;
}

void choose(GdiSurface& surface, const FontChoice& choice) {
    surface.setFontName(choice.face);
    surface.setFontSize(choice.points);
    surface.setFontBold(choice.bold);
    surface.setFontItalic(choice.italic);
}

// What GDI itself gives for the whole text, from a font and a context of the test's own.
int32_t extentInGdi(const FontChoice& choice, int dotsPerInchY, std::u16string_view text) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const GdiObject<HFONT> font(CreateFontW(
        -roundToPixel(choice.points * dotsPerInchY / 72.0), 0, 0, 0,
        choice.bold ? FW_BOLD : FW_NORMAL, choice.italic, FALSE, FALSE, DEFAULT_CHARSET,
        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
        reinterpret_cast<const wchar_t*>(choice.face.c_str())));
    const HGDIOBJ old = SelectObject(dc.get(), font.get());
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<int>(text.size()), &extent);
    SelectObject(dc.get(), old);
    return extent.cx;
}

// Left-to-right text of the kinds a cell holds, some with kerning pairs.
const std::vector<std::u16string> plainPieces = {
    u"a",  u"Wx", u"if (", u"->", u"    ", u"_T1",    u"ff",     u"AV",     u"To",
    u"LT", u"fi", u"}",    u";",  u"0x7f", u"\u00e9", u"\u00df", u"\u0142", u"\u01c5"};
// With what a sum of advances must not be used for: controls, combining marks, soft
// hyphens, scripts drawn right to left, characters no font here has, a surrogate pair.
const std::vector<std::u16string> allPieces = [] {
    std::vector<std::u16string> pieces = plainPieces;
    for (const std::u16string piece :
         {u"\u00a0", u"\u00ad", u"\u02c6", u"e\u0301", u"\u03b1", u"\u0436", u"\u4e2d", u"\u05d0",
          u"\u0628", u"\u0001", u"\u007f", u"\u0085", u"\u200b", u"\ufeff", u"\U0001F600"})
        pieces.push_back(piece);
    return pieces;
}();

std::u16string randomCellText(Picker& picker, const std::vector<std::u16string>& pieces) {
    std::u16string text;
    for (int32_t piece = picker.pick(0, 12); piece > 0; --piece) {
        const std::u16string& chosen = picker.oneOf(pieces);
        text += picker.pick(0, 3) == 0 || chosen.size() == 2 ? chosen : chosen.substr(0, 1);
    }
    return text;
}

// Widths come from a per-font table of advances where that gives what GDI would; any
// difference would draw a cell at another width than the one it was laid out at.
TEST(GdiFonts, MeasuredWidthIsTheWholeTextExtentInEveryFont) {
    GdiSurface surface;
    const std::vector<FontChoice> choices = installedFontChoices(surface);
    ASSERT_FALSE(choices.empty());
    Picker picker(10);
    for (int round = 0; round < 6000; ++round) {
        const FontChoice& choice = picker.oneOf(choices); // switching fonts all the time
        choose(surface, choice);
        const std::u16string text = randomCellText(picker, allPieces);
        ASSERT_EQ(surface.textWidth(text), extentInGdi(choice, surface.dotsPerInchY(), text))
            << "round " << round << " at " << choice.points << " pt, bold " << choice.bold
            << ", italic " << choice.italic;
    }
}

// A text drawn whole leaves the same pixels as its two parts drawn one after the other,
// the second where the first one's measured width ends.
TEST(GdiFonts, TextDrawnInPartsAtMeasuredWidthsMatchesTextDrawnWhole) {
    GdiSurface whole, parts;
    whole.resize(300, 30);
    parts.resize(300, 30);
    std::vector<FontChoice> upright = installedFontChoices(whole);
    std::erase_if(upright, [](const FontChoice& choice) { return choice.italic; });
    ASSERT_FALSE(upright.empty());
    Picker picker(11);
    for (int round = 0; round < 100; ++round) {
        const std::u16string first = randomCellText(picker, plainPieces);
        const std::u16string second = randomCellText(picker, plainPieces);
        const FontChoice& choice = picker.oneOf(upright);
        for (GdiSurface* surface : {&whole, &parts}) {
            choose(*surface, choice);
            surface->clear();
            surface->setDrawingPosition(3, 5);
        }
        whole.print(first + second);
        parts.print(first);
        parts.setDrawingPosition(3 + parts.textWidth(first), 5);
        parts.print(second);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 300; ++x)
                ASSERT_EQ(whole.pixelAt(x, y), parts.pixelAt(x, y))
                    << "round " << round << " at " << x << ", " << y;
    }
}

TEST(GdiPresenting, HiddenSurfacePaintsTheFrameOfBeforeHiding) {
    GdiSurface surface;
    surface.resize(10, 10);
    surface.fillRect(0, 0, 9, 9, orange);
    MemoryCanvas screen;
    screen.resize(10, 10);
    const RECT whole{0, 0, 10, 10};
    const auto screenPixel = [&] { return screen.pixels()[55] & 0xFFFFFF; };
    const uint32_t orangeOnScreen = 0xFF8000; // 0x00RRGGBB in the bitmap
    surface.hide();
    surface.clear();
    surface.fillRect(0, 0, 9, 9, paleCyan);
    surface.paint(screen.dc(), whole);
    GdiFlush();
    EXPECT_EQ(screenPixel(), orangeOnScreen);
    surface.show();
    surface.paint(screen.dc(), whole);
    GdiFlush();
    EXPECT_EQ(screenPixel(), 0xDFFFFFu);
}

// Random frames against a model of the two images: what is drawn and what a paint shows,
// which while hidden is the drawn image as it was at hide().
TEST(GdiPresenting, RandomDrawingMatchesAModelOfDrawnAndShownImages) {
    constexpr int32_t width = 16, height = 12;
    GdiSurface surface;
    surface.resize(width, height);
    MemoryCanvas screen;
    screen.resize(width, height);
    std::vector<int32_t> drawn(width * height, background()), shown = drawn;
    bool hidden = false;
    Picker picker(12);
    const std::vector<int32_t> colours = {orange, paleCyan, 0x123456, 0};
    for (int step = 0; step < 3000; ++step) {
        const int32_t x = picker.pick(0, width - 1), y = picker.pick(0, height - 2);
        const int32_t bottom = picker.pick(y + 1, height - 1), colour = picker.oneOf(colours);
        switch (picker.pick(0, 5)) {
        case 0:
            surface.hide();
            if (!hidden)
                shown = drawn;
            hidden = true;
            break;
        case 1:
            surface.show();
            hidden = false;
            break;
        case 2:
            surface.clear();
            std::fill(drawn.begin(), drawn.end(), background());
            break;
        case 3:
            surface.fillRect(x, y, x, bottom, colour);
            for (int32_t row = y; row <= bottom; ++row)
                drawn[row * width + x] = colour;
            break;
        default:
            surface.line(x, y, x, bottom, colour);
            for (int32_t row = y; row < bottom; ++row) // the last pixel is left out
                drawn[row * width + x] = colour;
            break;
        }
        const RECT whole{0, 0, width, height};
        surface.paint(screen.dc(), whole);
        GdiFlush();
        const std::vector<int32_t>& onScreen = hidden ? shown : drawn;
        for (int32_t pixel = 0; pixel < width * height; ++pixel) {
            ASSERT_EQ(surface.pixelAt(pixel % width, pixel / width), drawn[pixel])
                << "step " << step << ", pixel " << pixel;
            const uint32_t rgb = screen.pixels()[pixel] & 0xFFFFFF;
            const auto painted =
                static_cast<int32_t>((rgb >> 16) + (rgb & 0xFF00) + ((rgb & 0xFF) << 16));
            ASSERT_EQ(painted, onScreen[pixel]) << "step " << step << ", pixel " << pixel;
        }
    }
}

TEST(GdiPresenting, EmptyAndHugeSizesAreSafe) {
    GdiSurface surface;
    surface.resize(0, 0);
    EXPECT_EQ(surface.scaleWidth(), 0);
    surface.clear();
    surface.fillRect(-5, -5, 5, 5, orange);
    surface.setDrawingPosition(-100, 1e12);
    surface.print(u"off the surface");
    surface.resize(64, 48);
    EXPECT_THROW(surface.resize(200000, 200000), std::runtime_error);
    EXPECT_EQ(surface.scaleWidth(), 64); // the failed resize left the old area
    surface.fillRect(0, 0, 63, 47, orange);
    EXPECT_EQ(surface.pixelAt(63, 47), orange);
}

// The pixels a surface shows, as a paint copies them.
std::vector<uint32_t> shownPixels(const GdiSurface& surface, int32_t width, int32_t height) {
    MemoryCanvas screen;
    screen.resize(width, height);
    surface.paint(screen.dc(), RECT{0, 0, width, height});
    GdiFlush();
    return std::vector<uint32_t>(screen.pixels(), screen.pixels() + width * height);
}

// Text as the editor draws it: indentation, tabs, lines of only punctuation in the half
// size, kerning pairs, characters GDI draws itself, and a line far wider than the view.
std::u16string editorText(Picker& picker) {
    std::u16string text;
    for (int32_t line = 0; line < 60; ++line) {
        for (int32_t indent = picker.pick(0, 2); indent > 0; --indent)
            text += u"    ";
        const int32_t pieces = line == 7 ? 3000 : picker.pick(0, 9) == 0 ? 1 : picker.pick(1, 8);
        for (int32_t k = 0; k < pieces; ++k)
            text += randomCellText(picker, k % 5 == 0 ? allPieces : plainPieces) +
                    (picker.pick(0, 3) == 0 ? u"\t" : u" ");
        text += picker.pick(0, 4) == 0 ? u"\n}\n" : u"\n";
    }
    return text;
}

// Whole frames through the quick surface, which copies glyphs GDI drew once, fills and
// clears pixels itself and prints only the part of a long line in view, against a surface
// that leaves every pixel to GDI. Steps scroll (far along the long line too), type and
// resize, so a glyph copied onto ink, ink left from an earlier frame or a part printed a
// pixel off would all show.
TEST(GdiFrames, QuickFramesMatchGdisOwnPixelForPixel) {
    GdiSurface fonts;
    std::vector<FontChoice> choices = installedFontChoices(fonts);
    ASSERT_FALSE(choices.empty());
    Picker picker(19);
    const std::vector<char32_t> typed = {U'a', U'W', U'\t', U'\r', U'}', U'\u00e9', 8, 8, U'f'};
    for (int round = 0; round < 12; ++round) {
        const FontChoice& choice = picker.oneOf(choices);
        const bool struck = round % 6 == 5;
        GdiSurface quick(nullptr, GdiSurface::Drawing::Quick);
        GdiSurface model(nullptr, GdiSurface::Drawing::ToolkitOnly);
        const std::u16string text = editorText(picker);
        CLBox quickBox, modelBox;
        for (auto [surface, box] : {std::pair{&quick, &quickBox}, std::pair{&model, &modelBox}}) {
            surface->resize(320, 200);
            choose(*surface, choice);
            surface->setFontStrikethrough(struck);
            box->bind(*surface);
            box->loadtext(text);
        }
        int32_t width = 320, height = 200;
        const int32_t longLine =
            quickBox.lines.at(7)->tabs.weiacc(quickBox.lines.at(7)->tabs.size());
        for (int step = 0; step < 25; ++step) {
            const int action = picker.pick(0, 4);
            const double scrollX =
                picker.pick(0, 1) == 0 ? picker.pick(0, longLine) : picker.pick(0, 400);
            const double scrollY = picker.pick(0, 9000) / 10.0;
            const char32_t ch = picker.oneOf(typed);
            const int32_t clickX = picker.pick(0, 300), clickY = picker.pick(0, 190);
            if (action == 1) {
                width = picker.pick(150, 400);
                height = picker.pick(100, 250);
            }
            for (auto [surface, box] :
                 {std::pair{&quick, &quickBox}, std::pair{&model, &modelBox}}) {
                if (action == 0) {
                    box->scrmovX = scrollX;
                    box->scrmovY = scrollY;
                } else if (action == 1) {
                    surface->resize(width, height);
                } else {
                    box->cursor = box->XYscrmovToPos(clickX, clickY, false);
                    box->insertChar(ch, box->cursor);
                }
                box->render();
            }
            ASSERT_EQ(quickBox.cursor, modelBox.cursor) << "round " << round << " step " << step;
            ASSERT_TRUE(shownPixels(quick, width, height) == shownPixels(model, width, height))
                << "round " << round << " step " << step << " at " << choice.points << " pt, bold "
                << choice.bold << ", italic " << choice.italic << ", struck " << struck;
        }
    }
}

} // namespace
