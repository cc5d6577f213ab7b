#include "QtSurface.h"

#include "qtstrings.h"
#include "support/EngineError.h"
#include "support/Rounding.h"

#include <QGlyphRun>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QColor toQColor(int32_t packed) {
    const auto bits = static_cast<uint32_t>(packed);
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}

constexpr int32_t largestSide = 32767; // QImage's own limit per side

int32_t clampSide(int32_t side) {
    return std::clamp(side, 0, largestSide);
}

// Sets the pixels [left, right) of a row to one colour.
void fillRow(const Canvas& canvas, int64_t row, int64_t left, int64_t right, QRgb colour) {
    auto* pixels = reinterpret_cast<QRgb*>(canvas.bits + row * canvas.stride) + left;
    if (colour == (colour & 0xFFu) * 0x01010101u) // white, say: several times quicker
        std::memset(pixels, static_cast<int>(colour & 0xFFu),
                    static_cast<size_t>(right - left) * sizeof(QRgb));
    else
        std::fill(pixels, pixels + (right - left), colour);
}

} // namespace

QtSurface::QtSurface(int32_t width, int32_t height, double logicalDpi, double devicePixelRatio,
                     Drawing mode)
    : logicalWidth(clampSide(width)), logicalHeight(clampSide(height)), dpi(logicalDpi),
      ratio(devicePixelRatio), drawingMode(mode), drawing(blankFrame()), presented(drawing),
      fonts(drawing.image) {}

QtSurface::~QtSurface() {
    endPainting();
}

QImage QtSurface::blankImage() const {
    const auto deviceSide = [this](int32_t side) {
        return std::max(1, roundToPixel(side * ratio)); // an empty window still gets a pixel
    };
    QImage image(deviceSide(logicalWidth), deviceSide(logicalHeight), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    // Fonts are resolved against the image, so its resolution is the points' scale.
    const int dotsPerMeter = roundToPixel(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(backgroundColour);
    return image;
}

QtSurface::Frame QtSurface::blankFrame() const {
    Frame frame{blankImage(), {}};
    frame.inked.reset(frame.image.height(), frame.image.width());
    return frame;
}

void QtSurface::resize(int32_t width, int32_t height) {
    endPainting();
    logicalWidth = clampSide(width);
    logicalHeight = clampSide(height);
    Frame resized = blankFrame();
    {
        QPainter copier(&resized.image); // the retained picture survives a resize, cropped
        copier.drawImage(0, 0, drawing.image);
    }
    resized.inked.markAll();
    drawing = std::move(resized);
    drawn();
}

void QtSurface::setDevicePixelRatio(double newRatio) {
    rescale(dpi, newRatio);
}

void QtSurface::setLogicalDpi(double newDpi) {
    rescale(newDpi, ratio);
}

void QtSurface::rescale(double newDpi, double newRatio) {
    if (!(newDpi > 0 && newRatio > 0) || (newDpi == dpi && newRatio == ratio))
        return;
    dpi = newDpi;
    ratio = newRatio;
    resize(logicalWidth, logicalHeight);
    fonts = QtFonts(fonts, drawing.image);
}

const QImage& QtSurface::presentedImage() {
    if (!hidden && unpresented) {
        endPainting();
        recycled = std::move(presented);
        presented = drawing; // shared until the next drawing call
        unpresented = false;
    }
    return presented.image;
}

int32_t QtSurface::drawnPixel(int32_t x, int32_t y) {
    endPainting();
    const QPoint device(roundToPixel(x * ratio), roundToPixel(y * ratio));
    if (!drawing.image.rect().contains(device))
        throw EngineError(ErrorNumber::OutOfRange, "pixel outside the surface");
    const QRgb rgb = drawing.image.pixel(device);
    return qRed(rgb) + 256 * qGreen(rgb) + 65536 * qBlue(rgb);
}

QPainter& QtSurface::painter() {
    if (!activePainter) {
        activePainter = std::make_unique<QPainter>(&drawing.image);
        activePainter->setPen(textColour);
        painterFont.reset();
    }
    return *activePainter;
}

void QtSurface::endPainting() {
    activePainter.reset();
}

void QtSurface::drawn() {
    unpresented = true;
    if (!hidden && onPresent)
        onPresent();
}

void QtSurface::setScaleMode(int mode) {
    if (mode != ScaleModePixels)
        throw EngineError(ErrorNumber::BadArgument, "this surface measures in pixels only");
}

void QtSurface::hide() {
    hidden = true;
}

void QtSurface::show() {
    hidden = false;
    drawn();
}

void QtSurface::clear() {
    endPainting();
    QImage& image = drawing.image;
    if (!image.isDetached()) { // the presented frame keeps its pixels; nothing to copy
        const bool fits = recycled.image.isDetached() && recycled.image.size() == image.size() &&
                          recycled.image.devicePixelRatio() == ratio &&
                          recycled.image.dotsPerMeterY() == image.dotsPerMeterY();
        drawing = fits ? std::move(recycled) : blankFrame();
        recycled = Frame{};
    }
    if (drawingMode == Drawing::ToolkitOnly) {
        drawing.image.fill(backgroundColour);
    } else {
        const Canvas canvas(drawing.image);
        const QRgb background = backgroundColour.rgb();
        drawing.inked.wipe([&](int32_t row, int32_t left, int32_t right) {
            fillRow(canvas, row, left, right, background);
        });
    }
    drawn();
}

void QtSurface::setDrawingPosition(double x, double y) {
    currentX = x;
    currentY = y;
}

// A whole-pixel baseline keeps glyphs crisp; the top of the text stays at y. Plain text
// is drawn as glyphs at the advances it was measured with, which is where the toolkit's
// layout would put them, at a fraction of the cost.
void QtSurface::print(std::u16string_view text) {
    if (text.empty())
        return;
    if (drawingMode == Drawing::Quick && printGlyphs(text, textOrigin()))
        drawn();
    else
        printLaidOut(text);
}

// Laid-out text may be shaped anywhere along the row; the rows its ink may reach are
// noted whole.
void QtSurface::printLaidOut(std::u16string_view text) {
    const QString laidOut = toQString(text);
    const QPointF origin = textOrigin();
    const ResolvedFont& f = fonts.current();
    QPainter& p = painter();
    if (painterFont != f.font) { // only laid-out text needs the painter's font
        p.setFont(f.font);
        painterFont = f.font;
    }
    p.drawText(origin, laidOut);
    const QRectF bounds = f.metrics.boundingRect(laidOut).translated(origin);
    const double reach = f.metrics.height();
    inked(-1, std::min(bounds.top(), origin.y() - f.ascent - reach), logicalWidth + 1,
          std::max(bounds.bottom(), origin.y() - f.ascent + 2 * reach));
    drawn();
}

QPointF QtSurface::textOrigin() const {
    return {static_cast<double>(roundToPixel(currentX)),
            roundToPixel(currentY) + fonts.current().ascent};
}

// False, having drawn nothing, for text that needs the toolkit's layout: characters it
// may shape, glyphs from a fallback font, decorations.
bool QtSurface::printGlyphs(std::u16string_view text, QPointF origin) {
    if (fonts.strikethrough())
        return false;
    ResolvedFont& f = fonts.current();
    for (const char16_t unit : text)
        if (f.advanceOf(unit) == ResolvedFont::needsShaping || f.glyphs[unit] == 0)
            return false;
    if (!f.blendsOwnGlyphs() || !blendGlyphs(text, origin))
        drawGlyphRun(text, origin);
    return true;
}

// False, having drawn nothing, where a glyph cannot be learned. Each glyph's pen is at
// the sum of the advances before it, in 64ths of a logical pixel, as it was measured.
bool QtSurface::blendGlyphs(std::u16string_view text, QPointF origin) {
    ResolvedFont& f = fonts.current();
    for (const char16_t unit : text)
        if (f.imagesOf(unit) == nullptr)
            return false;
    const Canvas canvas(drawing.image);
    const auto scale = static_cast<int64_t>(ratio);
    const auto penX = static_cast<int64_t>(origin.x());
    const int64_t baselineY = static_cast<int64_t>(origin.y()) * scale;
    const int64_t rightmostPen =
        static_cast<int64_t>(std::ceil(f.metrics.height())) * scale + canvas.width;
    int left = canvas.width, top = canvas.height, right = 0, bottom = 0; // what was covered
    int64_t x = 0;                                                       // 64ths of a pixel
    for (const char16_t unit : text) {
        const int64_t pen = (penX + (x >> 6)) * scale;
        if (pen > rightmostPen)
            break; // the rest lies right of the image
        const QRect covered =
            blendGlyph(canvas, f.images[unit]->at(static_cast<int32_t>(x & 63)), pen, baselineY);
        if (!covered.isEmpty()) {
            left = std::min(left, covered.left());
            top = std::min(top, covered.top());
            right = std::max(right, covered.right() + 1);
            bottom = std::max(bottom, covered.bottom() + 1);
        }
        x += f.advances[unit];
    }
    drawing.inked.mark(left, top, right, bottom);
    return true;
}

// Glyphs wholly outside the image are left out; a glyph's ink stays within a line height
// of its place.
void QtSurface::drawGlyphRun(std::u16string_view text, QPointF origin) {
    ResolvedFont& f = fonts.current();
    const double reach = f.metrics.height();
    const double left = -origin.x() - reach, right = logicalWidth - origin.x() + reach;
    runGlyphs.clear();
    runPositions.clear();
    int64_t x = 0; // 64ths of a pixel
    for (const char16_t unit : text) {
        const int32_t advance = f.advances[unit];
        const double glyphLeft = static_cast<double>(x) / 64;
        if (glyphLeft + advance / 64.0 > left && glyphLeft < right) {
            runGlyphs.push_back(f.glyphs[unit]);
            runPositions.emplace_back(glyphLeft, 0);
        }
        x += advance;
    }
    if (runGlyphs.empty())
        return;
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setRawData(runGlyphs.data(), runPositions.data(), static_cast<int>(runGlyphs.size()));
    painter().drawGlyphRun(origin, run);
    const double top = origin.y() - f.ascent;
    inked(origin.x() + runPositions.front().x() - reach, top - reach,
          origin.x() + runPositions.back().x() + 2 * reach, top + 2 * reach);
}

void QtSurface::line(double x0, double y0, double x1, double y1, int32_t colour) {
    const int64_t ax = roundToPixel(x0), ay = roundToPixel(y0);
    const int64_t bx = roundToPixel(x1), by = roundToPixel(y1);
    if (ax == bx && ay == by)
        return;
    if (ax == bx) { // the end pixel is excluded, whichever way the line runs
        fillPixels(ax, ay < by ? ay : by + 1, ax, ay < by ? by - 1 : ay, colour);
        return;
    }
    if (ay == by) {
        fillPixels(ax < bx ? ax : bx + 1, ay, ax < bx ? bx - 1 : ax, ay, colour);
        return;
    }
    QPainter& p = painter();
    p.setPen(QPen(toQColor(colour), 0));
    p.drawLine(QPointF(static_cast<double>(ax) + 0.5, static_cast<double>(ay) + 0.5),
               QPointF(static_cast<double>(bx) + 0.5, static_cast<double>(by) + 0.5));
    p.setPen(textColour);
    inked(static_cast<double>(std::min(ax, bx)) - 1, static_cast<double>(std::min(ay, by)) - 1,
          static_cast<double>(std::max(ax, bx)) + 2, static_cast<double>(std::max(ay, by)) + 2);
    drawn();
}

void QtSurface::fillRect(double x0, double y0, double x1, double y1, int32_t colour) {
    const int64_t ax = roundToPixel(x0), ay = roundToPixel(y0);
    const int64_t bx = roundToPixel(x1), by = roundToPixel(y1);
    fillPixels(std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by), colour);
}

// Fills the pixels from (left, top) to (right, bottom), both included, cut to the image
// first so that far-away corners cannot overflow the painter's integers.
void QtSurface::fillPixels(int64_t left, int64_t top, int64_t right, int64_t bottom,
                           int32_t colour) {
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min<int64_t>(right, logicalWidth - 1);
    bottom = std::min<int64_t>(bottom, logicalHeight - 1);
    if (left > right || top > bottom)
        return;
    if (const int64_t scale = wholeRatioOf(ratio); scale != 0 && drawingMode == Drawing::Quick) {
        const Canvas canvas(drawing.image);
        for (int64_t row = top * scale; row < (bottom + 1) * scale; ++row)
            fillRow(canvas, row, left * scale, (right + 1) * scale, toQColor(colour).rgb());
        drawing.inked.mark(left * scale, top * scale, (right + 1) * scale, (bottom + 1) * scale);
    } else {
        painter().fillRect(QRect(static_cast<int>(left), static_cast<int>(top),
                                 static_cast<int>(right - left + 1),
                                 static_cast<int>(bottom - top + 1)),
                           toQColor(colour));
        inked(static_cast<double>(left), static_cast<double>(top), static_cast<double>(right + 1),
              static_cast<double>(bottom + 1));
    }
    drawn();
}

// Whole device pixels around the logical area, a pixel more on each side for ratios
// that split pixels.
void QtSurface::inked(double left, double top, double right, double bottom) {
    const auto device = [this](double v) { return std::clamp(v * ratio, -1e9, 1e9); };
    drawing.inked.mark(static_cast<int64_t>(std::floor(device(left))) - 1,
                       static_cast<int64_t>(std::floor(device(top))) - 1,
                       static_cast<int64_t>(std::ceil(device(right))) + 1,
                       static_cast<int64_t>(std::ceil(device(bottom))) + 1);
}

void QtSurface::beep() {
    if (onBeep)
        onBeep();
}
