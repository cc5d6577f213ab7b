#include "platform/win32/GdiSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    EXPECT_THROW(surface.setFontName(u"No Such Typeface 4711"), std::invalid_argument);
    EXPECT_THROW(surface.setFontName(u""), std::invalid_argument);
    EXPECT_THROW(surface.setFontName(std::u16string(40, u'A')), std::invalid_argument);
    for (const double size : {0.0, -3.0, 1e9, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()})
        EXPECT_THROW(surface.setFontSize(size), std::invalid_argument) << size;
    EXPECT_EQ(surface.fontName(), name);
    EXPECT_DOUBLE_EQ(surface.fontSize(), 12);
    EXPECT_DOUBLE_EQ(surface.textWidth(u"columns"), width);
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

} // namespace
