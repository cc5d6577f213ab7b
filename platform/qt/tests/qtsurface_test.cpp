#include "QtSurface.h"

#include "support/EngineError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
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
    // The rectangle between two corners, both included, as fillRect draws it.
    void fill(int x0, int y0, int x1, int y1, int32_t colour) {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
                set(x, y, colour);
    }
    int32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // The picture kept across a resize: cropped, and blank where it grew.
    PixelModel resized(int32_t w, int32_t h) const {
        PixelModel grown(w, h);
        for (int32_t y = 0; y < std::min(h, height); ++y)
            for (int32_t x = 0; x < std::min(w, width); ++x)
                grown.set(x, y, at(x, y));
        return grown;
    }
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
                model.fill(x0, y0, x1, y1, colour);
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

// Drawing, presenting, hiding, showing and resizing in any order, against a model of the
// drawn and the presented picture. Frames are recycled, drawn into after being presented
// and held by paints in progress, so ink a recycled frame forgot, or a shown frame drawn
// over, would show. The toolkit's own drawing takes the painter's way into the frames.
TEST(QtSurfacePresenting, RandomFramesMatchAModel) {
    std::mt19937 random(23);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
    for (const int round : {0, 1, 2, 3}) {
        const int32_t ratio = round % 2 + 1;
        QtSurface surface(24, 16, 96, ratio,
                          round < 2 ? QtSurface::Drawing::Quick : QtSurface::Drawing::ToolkitOnly);
        PixelModel drawn(24, 16), shown(24, 16);
        bool hidden = false;
        QImage held, heldPixels; // as a paint in progress holds the frame
        for (int step = 0; step < 400; ++step) {
            switch (pick(0, 7)) {
            case 0:
                surface.clear();
                drawn = PixelModel(drawn.width, drawn.height);
                break;
            case 1:
            case 2: {
                const int32_t colour = pick(0, 0xFFFFFF);
                const int x0 = pick(-2, 26), y0 = pick(-2, 18), x1 = pick(-2, 26);
                const int y1 = pick(-2, 18);
                surface.fillRect(x0, y0, x1, y1, colour);
                drawn.fill(x0, y0, x1, y1, colour);
                break;
            }
            case 3:
                if (!hidden)
                    shown = drawn;
                ASSERT_TRUE(imageMatches(surface, shown, ratio)) << round << " step " << step;
                break;
            case 4:
                surface.hide();
                hidden = true;
                break;
            case 5:
                surface.show();
                hidden = false;
                break;
            case 6:
                held = surface.presentedImage();
                heldPixels = held.copy();
                if (!hidden)
                    shown = drawn;
                break;
            default: {
                const int32_t width = pick(1, 30), height = pick(1, 20);
                surface.resize(width, height);
                drawn = drawn.resized(width, height);
            }
            }
            ASSERT_EQ(held, heldPixels)
                << "a frame changed under its paint: " << round << " step " << step;
        }
    }
}

// A frame of 32767 logical pixels across at this ratio is 67,172,350 device pixels wide:
// a row of it would pass 2^31 bits, which the toolkit refuses before allocating anything.
// One logical pixel at this ratio is a frame of 2050 x 2050, 16 MB.
constexpr int32_t hugeRatio = 2050;

TEST(QtSurfaceRefusedFrames, ResizeKeepsTheOldSizeAndFrames) {
    QtSurface surface(1, 1, 96, hugeRatio);
    PixelModel blue(1, 1), green(1, 1), red(1, 1);
    blue.set(0, 0, 0xFF0000);
    green.set(0, 0, 0x00FF00);
    red.set(0, 0, 0x0000FF);
    surface.clear();
    surface.fillRect(0, 0, 0, 0, 0xFF0000);
    ASSERT_TRUE(imageMatches(surface, blue, hugeRatio));
    surface.clear();
    surface.fillRect(0, 0, 0, 0, 0x00FF00); // drawn, not yet presented

    try {
        surface.resize(32767, 1);
        ADD_FAILURE() << "a frame the toolkit cannot allocate was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "not enough memory for a frame of 67172350 x 2050 pixels");
    }
    EXPECT_EQ(surface.scaleWidth(), 1);
    EXPECT_EQ(surface.scaleHeight(), 1);
    EXPECT_EQ(surface.drawnPixel(0, 0), 0x00FF00);
    EXPECT_TRUE(imageMatches(surface, green, hugeRatio)) << "the drawn frame was lost";

    surface.clear();
    surface.fillRect(0, 0, 0, 0, 0x0000FF);
    EXPECT_TRUE(imageMatches(surface, red, hugeRatio));
    surface.resize(2, 1); // a frame that fits is still taken
    EXPECT_EQ(surface.presentedImage().width(), 2 * hugeRatio);
    EXPECT_EQ(surface.drawnPixel(0, 0), 0x0000FF);
    EXPECT_EQ(surface.drawnPixel(1, 0), white);
}

// One frame as the editor draws it: text in two sizes, a rule and a box.
void drawFrame(QtSurface& surface, const std::u16string& text) {
    surface.clear();
    surface.setDrawingPosition(3, 1);
    surface.print(text);
    surface.setFontSize(4.5);
    surface.setDrawingPosition(3, 14);
    surface.print(u"{ } \u00e9\u4e2d");
    surface.setFontSize(9);
    surface.line(0, 19, 90, 19, 0x0000FF);
    surface.fillRect(70, 2, 80, 8, 0x00FF00);
}

// A surface that went through a refused change against a twin that never did: the same
// frames, measures and fonts.
TEST(QtSurfaceRefusedFrames, PixelRatioKeepsTheOldFramesAndFonts) {
    QtSurface surface(100, 24), twin(100, 24);
    for (QtSurface* each : {&surface, &twin}) {
        each->setFontName(u"DejaVu Serif");
        each->setFontBold(true);
        drawFrame(*each, u"elastic tabs");
        each->presentedImage();
        drawFrame(*each, u"the next frame"); // drawn, not yet presented
    }
    // Past the widest row the toolkit takes; the largest double saturates the same way.
    for (const double refused : {7e5, std::numeric_limits<double>::max()})
        EXPECT_THROW(surface.setDevicePixelRatio(refused), std::runtime_error) << refused;

    EXPECT_TRUE(surface.presentedImage() == twin.presentedImage());
    EXPECT_EQ(surface.presentedImage().devicePixelRatio(), 1);
    EXPECT_EQ(surface.scaleWidth(), 100);
    EXPECT_EQ(surface.fontName(), u"DejaVu Serif");
    EXPECT_TRUE(surface.fontBold());
    EXPECT_EQ(surface.currentFont(), twin.currentFont());
    for (const std::u16string text : {u"elastic tabs", u"\u4e2d\u6587 x"})
        EXPECT_EQ(surface.textWidth(text), twin.textWidth(text));
    EXPECT_EQ(surface.textHeight(u"a\nb"), twin.textHeight(u"a\nb"));
    EXPECT_EQ(surface.blendsGlyphs(), twin.blendsGlyphs());

    for (QtSurface* each : {&surface, &twin})
        drawFrame(*each, u"drawn after");
    EXPECT_TRUE(surface.presentedImage() == twin.presentedImage());
    for (QtSurface* each : {&surface, &twin}) {
        each->setDevicePixelRatio(2);
        drawFrame(*each, u"at twice the pixels");
    }
    EXPECT_EQ(surface.presentedImage().width(), 200);
    EXPECT_TRUE(surface.presentedImage() == twin.presentedImage());
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
