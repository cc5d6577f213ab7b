#pragma once

#include "QtFonts.h"
#include "textbox/InkedRows.h"
#include "textbox/Surface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The picture surface over a retained image. Drawing goes into one image and the
// window paints another, the last presented frame, so a frame drawn while hidden
// appears whole on show. Coordinates are logical pixels, rounded to whole pixels;
// the image holds devicePixelRatio device pixels per logical pixel, and points
// become pixels at the given logical DPI.
class QtSurface : public Surface {
public:
    // Quick blends glyphs learned from the toolkit for plain text.
    using Drawing = SurfaceDrawing;
    QtSurface(int32_t width, int32_t height, double logicalDpi = 96, double devicePixelRatio = 1,
              Drawing mode = Drawing::Quick);
    ~QtSurface() override;

    // Each either succeeds or throws, leaving the surface as it was: std::runtime_error
    // for a frame that cannot be allocated, std::bad_alloc for anything else. Ratios and
    // resolutions that are not finite and positive are ignored.
    void resize(int32_t width, int32_t height);
    void setDevicePixelRatio(double ratio);
    void setLogicalDpi(double dpi);
    // The frame to put on screen; while shown, it includes everything drawn so far. Safe
    // to call from a paint event: it cannot fail.
    const QImage& presentedImage() noexcept;
    // The pixel colour of the image being drawn, packed like the drawing colours.
    int32_t drawnPixel(int32_t x, int32_t y);
    QColor background() const { return backgroundColour; }
    // The font as drawn, for comparing measures with the toolkit's own.
    const QFont& currentFont() const { return fonts.current().font; }
    // Whether plain text in the current font is drawn by blending learned glyphs, where
    // the toolkit's own pixels allow it; the toolkit draws it otherwise.
    bool blendsGlyphs() {
        return drawingMode == Drawing::Quick && textColour == Qt::black &&
               fonts.current().blendsOwnGlyphs();
    }
    // Draws with the toolkit's own text layout only, as a reference for the quick path.
    void printLaidOut(std::u16string_view text);

    // Called when a new frame is ready to present, and for the beep; both may be empty.
    std::function<void()> onPresent;
    std::function<void()> onBeep;

    void setScaleMode(int mode) override;
    double scaleWidth() const override { return logicalWidth; }
    double scaleHeight() const override { return logicalHeight; }
    double textWidth(std::u16string_view text) override { return fonts.textWidth(text); }
    double textHeight(std::u16string_view text) override { return fonts.textHeight(text); }
    double dotsPerInch() const override { return dpi; }

    std::u16string fontName() const override { return fonts.name(); }
    void setFontName(const std::u16string& newName) override { fonts.setName(newName); }
    double fontSize() const override { return fonts.size(); }
    void setFontSize(double newPoints) override { fonts.setSize(newPoints); }
    bool fontBold() const override { return fonts.bold(); }
    void setFontBold(bool on) override { fonts.setBold(on); }
    bool fontItalic() const override { return fonts.italic(); }
    void setFontItalic(bool on) override { fonts.setItalic(on); }
    bool fontStrikethrough() const override { return fonts.strikethrough(); }
    void setFontStrikethrough(bool on) override { fonts.setStrikethrough(on); }

    void hide() override;
    void show() override;
    void clear() override;
    void setDrawingPosition(double x, double y) override;
    double drawingX() const override { return currentX; }
    double drawingY() const override { return currentY; }
    void print(std::u16string_view text) override;
    // Promised for plain text in the font's own glyphs, drawn the quick way.
    std::optional<double> advancesWidth(std::u16string_view text) override;
    void printPart(std::u16string_view part, double before) override;
    // An axis-aligned line covers the pixels from its start up to, not including, its end.
    void setColours(int32_t background, int32_t text) override;
    void line(double x0, double y0, double x1, double y1, int32_t colour) override;
    void fillRect(double x0, double y0, double x1, double y1, int32_t colour) override;
    // Painting reaches the screen from the event loop, so there is nothing to flush here.
    void processPendingEvents() override {}
    void beep() override;

private:
    void rescale(double newDpi, double newRatio);
    QPainter& painter();
    void endPainting();
    QPointF textOrigin() const; // the baseline's start
    // Each draws text as a part whose first pen lies before 64ths of a pixel past origin.
    bool printGlyphs(std::u16string_view text, QPointF origin, int64_t before = 0);
    bool blendGlyphs(std::u16string_view text, QPointF origin, int64_t before);
    void drawGlyphRun(std::u16string_view text, QPointF origin, int64_t before);
    void drawn();
    void fillPixels(int64_t left, int64_t top, int64_t right, int64_t bottom, int32_t colour);
    // Notes logical pixels the toolkit may have drawn into, so the next clear wipes them.
    void inked(double left, double top, double right, double bottom);

    // An image and what has been drawn on it since it was last wiped.
    struct Frame {
        QImage image;
        InkedRows inked;
    };
    // Each throws, rather than giving a null image, where one cannot be allocated.
    Frame blankFrame(int32_t width, int32_t height, double atDpi, double atRatio) const;
    Frame redrawnFrame(int32_t width, int32_t height, double atDpi, double atRatio);
    bool presentedSharesDrawing() const;
    void replaceDrawing(Frame&& next) noexcept;
    void ownDrawing();

    int32_t logicalWidth, logicalHeight;
    double dpi, ratio;
    Drawing drawingMode;
    QColor backgroundColour = Qt::white;
    QColor textColour = Qt::black;
    // The frame before the presented one is kept to draw the next into, which spares
    // allocating and faulting in a whole image every frame. While the presented frame
    // shares the drawing's pixels, its inked rows are the drawing's.
    Frame drawing, presented, recycled;
    QtFonts fonts;
    std::unique_ptr<QPainter> activePainter;
    std::optional<QFont> painterFont; // the font last set on it, if any
    // Reused by every print, so that drawing a cell allocates nothing.
    std::vector<quint32> runGlyphs;
    std::vector<QPointF> runPositions;
    bool hidden = false;
    bool unpresented = true;
    double currentX = 0, currentY = 0;
};
