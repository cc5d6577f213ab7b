#include "QtSurface.h"

#include "support/EngineError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t white = 0xFFFFFF;

// The picture as a plain grid of packed colours, for comparison with the surface.
struct PixelModel {
    int32_t width, height;
    std::vector<int32_t> pixels;
    PixelModel(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w) * size_t(h), white) {}
    void set(int64_t x, int64_t y, int32_t colour) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[size_t(y) * size_t(width) + size_t(x)] = colour;
    }
    int32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

int32_t packed(QRgb rgb) {
    return qRed(rgb) + 256 * qGreen(rgb) + 65536 * qBlue(rgb);
}

// Every device pixel of the presented image against the logical model.
::testing::AssertionResult imageMatches(QtSurface& surface, const PixelModel& model,
                                        int32_t ratio) {
    const QImage& image = surface.presentedImage();
    for (int dy = 0; dy < image.height(); ++dy)
        for (int dx = 0; dx < image.width(); ++dx) {
            const int32_t want = model.at(dx / ratio, dy / ratio);
            const int32_t got = packed(image.pixel(dx, dy));
            if (got != want)
                return ::testing::AssertionFailure() << "device pixel (" << dx << ", " << dy
                                                     << ") is " << got << ", want " << want;
        }
    return ::testing::AssertionSuccess();
}

// Rows and columns holding ink darker than the background: the text's footprint.
QRect inkBounds(QtSurface& surface) {
    const QImage& image = surface.presentedImage();
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(QtSurfaceMeasuring, PrefixWidthsAddUpToTheWhole) {
    QtSurface surface(200, 100);
    const std::u16string texts[] = {u"thisisaparameternamewithlongname", u"while(--c)",
                                    u"one two\u00e9\u20ac\u6f22\u5b57", u"AVAWAY To",
                                    u"a\U0001D11Eb"};
    for (const bool bold : {false, true}) {
        surface.setFontBold(bold);
        for (const auto& text : texts) {
            const double whole = surface.textWidth(text);
            EXPECT_GT(whole, 0);
            for (size_t k = 1; k < text.size(); ++k) {
                if (text[k] >= 0xDC00 && text[k] <= 0xDFFF)
                    continue; // never split a surrogate pair
                const double parts = surface.textWidth(std::u16string_view(text).substr(0, k)) +
                                     surface.textWidth(std::u16string_view(text).substr(k));
                EXPECT_NEAR(parts, whole, 1.0) << "split at " << k << " bold " << bold;
            }
        }
    }
}

// Plain text is measured by summing cached advances; the toolkit lays out the whole.
TEST(QtSurfaceMeasuring, SummedAdvancesMatchTheToolkitsLayout) {
    std::mt19937 random(11);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
    QtSurface surface(100, 50);
    for (int round = 0; round < 8; ++round) {
        surface.setFontName(round % 2 == 0 ? u"Verdana" : u"DejaVu Serif");
        surface.setFontSize(round < 4 ? 9 : 13.5);
        surface.setFontBold(round % 4 >= 2);
        surface.setFontItalic(round == 5);
        const QFontMetricsF toolkit(surface.currentFont(), &surface.presentedImage());
        for (int sample = 0; sample < 300; ++sample) {
            std::u16string text;
            for (int k = pick(0, 30); k > 0; --k) // ASCII mostly; controls, Latin extensions, IPA
                text +=
                    static_cast<char16_t>(pick(0, 3) != 0 ? pick(0x20, 0x7E) : pick(0x7F, 0x2FF));
            ASSERT_DOUBLE_EQ(surface.textWidth(text),
                             toolkit.horizontalAdvance(QString::fromStdU16String(text)))
                << "round " << round << " sample " << sample;
        }
    }
}

TEST(QtSurfaceMeasuring, HalfSizeFontMeasuresAboutHalf) {
    QtSurface surface(200, 100);
    const std::u16string text = u"no selection yet";
    const double fullWidth = surface.textWidth(text), fullHeight = surface.textHeight(u" ");
    surface.setFontSize(4.5);
    EXPECT_NEAR(surface.textWidth(text), fullWidth / 2, fullWidth * 0.1);
    EXPECT_NEAR(surface.textHeight(u" "), fullHeight / 2, fullHeight * 0.15);
    EXPECT_NEAR(surface.textHeight(u"a\nb"), 2 * surface.textHeight(u"a"),
                surface.textHeight(u"a") * 0.3);
}

TEST(QtSurfaceMeasuring, NinePointsAtTwiceTheDpiMeasureLikeEighteen) {
    QtSurface normal(200, 100, 96), dense(200, 100, 192);
    normal.setFontSize(18);
    EXPECT_NEAR(dense.textWidth(u"elastic tabs"), normal.textWidth(u"elastic tabs"), 1.0);
    EXPECT_NEAR(dense.textHeight(u" "), normal.textHeight(u" "), 1.0);
}

TEST(QtSurfaceMeasuring, HiDpiRatioKeepsLogicalWidths) {
    QtSurface plain(200, 100), sharp(200, 100, 96, 2);
    EXPECT_NEAR(sharp.textWidth(u"thisisanotheroneofthem"),
                plain.textWidth(u"thisisanotheroneofthem"), 1.0);
    EXPECT_EQ(sharp.presentedImage().width(), 400);
}

TEST(QtSurfaceFont, RefusedSettingsLeaveTheFontAsItWas) {
    QtSurface surface(100, 50);
    const double width = surface.textWidth(u"abc");
    for (const double bad : {0.0, -3.0, 1e9, std::nan("")})
        EXPECT_THROW(surface.setFontSize(bad), EngineError) << bad;
    EXPECT_THROW(surface.setFontName(u""), EngineError);
    EXPECT_EQ(surface.fontSize(), 9);
    EXPECT_EQ(surface.fontName(), u"Verdana");
    EXPECT_EQ(surface.textWidth(u"abc"), width);
    surface.setFontName(u"No Such Font Anywhere"); // falls back, still measures
    EXPECT_GT(surface.textWidth(u"abc"), 0);
}

TEST(QtSurfaceDrawing, RectanglesAndLinesLandOnTheirPixelsAtAnyRatio) {
    std::mt19937 random(7);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
    for (const int32_t ratio : {1, 2}) {
        QtSurface surface(37, 23, 96, ratio);
        PixelModel model(37, 23);
        surface.clear();
        for (int step = 0; step < 300; ++step) {
            const int32_t colour = pick(0, 0xFFFFFF);
            const int x0 = pick(-5, 42), y0 = pick(-5, 28), x1 = pick(-5, 42), y1 = pick(-5, 28);
            const int shape = pick(0, 3);
            if (shape <= 1) {
                surface.fillRect(x0, y0, x1, y1, colour);
                for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
                    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
                        model.set(x, y, colour);
            } else if (shape == 2) { // vertical, end pixel excluded
                surface.line(x0, y0, x0, y1, colour);
                for (int y = y0; y != y1; y += (y1 > y0 ? 1 : -1))
                    model.set(x0, y, colour);
            } else {
                surface.line(x0, y0, x1, y0, colour);
                for (int x = x0; x != x1; x += (x1 > x0 ? 1 : -1))
                    model.set(x, y0, colour);
            }
            if (step % 25 == 0) {
                ASSERT_TRUE(imageMatches(surface, model, ratio)) << "step " << step;
            }
        }
        ASSERT_TRUE(imageMatches(surface, model, ratio)) << "ratio " << ratio;
    }
}

TEST(QtSurfaceDrawing, FractionalAndFarCornersRoundAndClip) {
    QtSurface surface(20, 10);
    PixelModel model(20, 10);
    surface.clear();
    surface.fillRect(2.5, 1.4, 3.5, 2.6, 0x123456); // halves go to even: x 2..4, y 1..3
    for (int y = 1; y <= 3; ++y)
        for (int x = 2; x <= 4; ++x)
            model.set(x, y, 0x123456);
    surface.fillRect(-1e12, 8, 1e12, 1e15, 0x00FF00);
    for (int x = 0; x < 20; ++x)
        for (int y = 8; y < 10; ++y)
            model.set(x, y, 0x00FF00);
    EXPECT_TRUE(imageMatches(surface, model, 1));
}

TEST(QtSurfaceDrawing, TextTopSitsAtTheDrawingPositionAndInkStaysInItsWidth) {
    for (const double points : {9.0, 4.5, 20.0}) {
        QtSurface surface(300, 120);
        surface.setFontSize(points);
        surface.clear();
        surface.setDrawingPosition(10, 20);
        surface.print(u"MMMjgy|");
        const QRect ink = inkBounds(surface);
        ASSERT_FALSE(ink.isEmpty()) << points;
        EXPECT_GE(ink.top(), 20) << points;
        EXPECT_LE(ink.bottom(), 20 + std::ceil(surface.textHeight(u" "))) << points;
        EXPECT_GE(ink.left(), 9) << points;
        EXPECT_LE(ink.right(), 10 + surface.textWidth(u"MMMjgy|") + 1) << points;
        EXPECT_EQ(surface.drawingX(), 10);
        EXPECT_EQ(surface.drawingY(), 20);
    }
}

TEST(QtSurfacePresenting, HiddenDrawingAppearsWholeOnShow) {
    QtSurface surface(30, 20);
    int presents = 0;
    surface.onPresent = [&] { ++presents; };
    surface.clear();
    surface.fillRect(0, 0, 29, 19, 0x0000FF);
    const QImage first = surface.presentedImage().copy();
    const int presentsBefore = presents;

    surface.hide();
    surface.clear();
    surface.fillRect(5, 5, 9, 9, 0x00FF00);
    surface.line(0, 0, 0, 20, 0);
    EXPECT_EQ(surface.presentedImage(), first) << "a hidden frame leaked out";
    EXPECT_EQ(presents, presentsBefore);

    surface.show();
    EXPECT_GT(presents, presentsBefore);
    PixelModel model(30, 20);
    for (int y = 5; y <= 9; ++y)
        for (int x = 5; x <= 9; ++x)
            model.set(x, y, 0x00FF00);
    for (int y = 0; y < 20; ++y)
        model.set(0, y, 0);
    EXPECT_TRUE(imageMatches(surface, model, 1));
    EXPECT_EQ(first.pixel(7, 7), qRgb(255, 0, 0)) << "the old frame was drawn over";
}

// Frames are drawn into recycled images; none may show through another.
TEST(QtSurfacePresenting, SuccessiveFramesShowOnlyThemselves) {
    QtSurface surface(16, 12);
    for (int frame = 0; frame < 6; ++frame) {
        const QImage before = surface.presentedImage(); // as a paint in progress holds it
        const QImage beforePixels = before.copy();
        surface.hide();
        surface.clear();
        surface.fillRect(frame, 0, frame + 2, 11, 0x010203 * (frame + 1));
        EXPECT_EQ(surface.presentedImage(), beforePixels) << "frame " << frame;
        surface.show();
        PixelModel model(16, 12);
        for (int y = 0; y < 12; ++y)
            for (int x = frame; x <= frame + 2; ++x)
                model.set(x, y, 0x010203 * (frame + 1));
        EXPECT_TRUE(imageMatches(surface, model, 1)) << "frame " << frame;
        EXPECT_EQ(before, beforePixels) << "a shown frame changed under its painter";
    }
}

TEST(QtSurfacePresenting, ResizeKeepsThePictureAndReportsTheNewArea) {
    QtSurface surface(10, 10);
    surface.clear();
    surface.fillRect(2, 2, 3, 3, 0xFF0000);
    surface.resize(40, 5);
    EXPECT_EQ(surface.scaleWidth(), 40);
    EXPECT_EQ(surface.scaleHeight(), 5);
    EXPECT_EQ(surface.drawnPixel(2, 2), 0xFF0000);
    EXPECT_EQ(surface.drawnPixel(30, 4), white);
    surface.resize(0, 0); // an empty window is drawable, if invisible
    surface.fillRect(0, 0, 5, 5, 0);
    surface.setDrawingPosition(0, 0);
    surface.print(u"x");
    EXPECT_EQ(surface.scaleWidth(), 0);
}

} // namespace

// Plain text is drawn as glyphs at its measured advances; the toolkit's own text layout,
// drawn into a second surface, is the model, pixel for pixel, across fonts, sizes, pixel
// ratios, fractional positions and the image's edges.
TEST(QtSurfaceDrawing, GlyphsLandWhereTheToolkitsLayoutPutsThem) {
    std::mt19937 random(13);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
    for (int round = 0; round < 8; ++round) {
        const double ratio = round % 4 == 3 ? 2 : 1;
        QtSurface quick(160, 60, 96, ratio), model(160, 60, 96, ratio);
        for (QtSurface* surface : {&quick, &model}) {
            surface->setFontName(round % 2 == 0 ? u"Verdana" : u"DejaVu Serif");
            surface->setFontSize(round < 4 ? 9 : 4.5 + round);
            surface->setFontBold(round % 4 == 2);
            surface->setFontItalic(round == 5);
            surface->clear();
        }
        for (int sample = 0; sample < 40; ++sample) {
            std::u16string text;
            for (int k = pick(1, 40); k > 0;
                 --k) // the combining marks and CJK take the toolkit's way
                text += static_cast<char16_t>(pick(0, 9) != 0   ? pick(0x20, 0x7E)
                                              : pick(0, 1) != 0 ? pick(0xA0, 0x2FF)
                                                                : pick(0x300, 0x6FFF));
            const double x = pick(-400, 1700) / 10.0, y = pick(-150, 650) / 10.0;
            quick.setDrawingPosition(x, y);
            quick.print(text);
            model.setDrawingPosition(x, y);
            model.printLaidOut(text);
        }
        ASSERT_TRUE(quick.presentedImage() == model.presentedImage()) << "round " << round;
    }
}
