#include "QtSurface.h"

#include "qtstrings.h"
#include "support/EngineError.h"
#include "support/Rounding.h"
#include "textbox/SurfacePixels.h"

#include <QGlyphRun>

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// Opaque, as the image's pixels are.
QRgb toQRgb(int32_t colour) {
    return 0xFF000000u | pixelOfColour(colour);
}

constexpr int32_t largestSide = 32767; // QImage's own limit per side

int32_t clampSide(int32_t side) {
    return std::clamp(side, 0, largestSide);
}

// Sets the pixels [left, right) of a row to one colour.
void fillRow(const Canvas& canvas, int64_t row, int64_t left, int64_t right, QRgb colour) {
    fillPixelRun(reinterpret_cast<QRgb*>(canvas.bits + row * canvas.stride) + left,
                 static_cast<size_t>(right - left), colour);
}

[[noreturn]] void refuseFrame(int32_t deviceWidth, int32_t deviceHeight) {
    throw std::runtime_error("not enough memory for a frame of " + std::to_string(deviceWidth) +
                             " x " + std::to_string(deviceHeight) + " pixels");
}

// A blank image of width x height logical pixels at ratio device pixels each, whose
// resolution turns points into pixels at dpi. The toolkit gives a null image where it
// cannot allocate one (a row past 2^31 bits, or memory refused); that throws here.
QImage blankImage(int32_t width, int32_t height, double dpi, double ratio, QColor colour) {
    const auto deviceSide = [ratio](int32_t side) {
        return std::max(1, roundToPixel(side * ratio)); // an empty window still gets a pixel
    };
    QImage image(deviceSide(width), deviceSide(height), QImage::Format_RGB32);
    if (image.isNull())
        refuseFrame(deviceSide(width), deviceSide(height));
    image.setDevicePixelRatio(ratio);
    // Fonts are resolved against the image, so its resolution is the points' scale.
    const int dotsPerMeter = roundToPixel(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(colour);
    return image;
}

} // namespace

QtSurface::QtSurface(int32_t width, int32_t height, double logicalDpi, double devicePixelRatio,
                     Drawing mode)
    : logicalWidth(clampSide(width)), logicalHeight(clampSide(height)), dpi(logicalDpi),
      ratio(devicePixelRatio), drawingMode(mode),
      drawing(blankFrame(logicalWidth, logicalHeight, dpi, ratio)), presented{drawing.image, {}},
      fonts(drawing.image) {}

QtSurface::~QtSurface() {
    endPainting();
}

QtSurface::Frame QtSurface::blankFrame(int32_t width, int32_t height, double atDpi,
                                       double atRatio) const {
    Frame frame{blankImage(width, height, atDpi, atRatio, backgroundColour), {}};
    frame.inked.reset(frame.image.height(), frame.image.width());
    return frame;
}

// The retained picture survives a resize or a rescale, cropped.
QtSurface::Frame QtSurface::redrawnFrame(int32_t width, int32_t height, double atDpi,
                                         double atRatio) {
    endPainting();
    Frame frame = blankFrame(width, height, atDpi, atRatio);
    {
        QPainter copier(&frame.image);
        copier.drawImage(0, 0, drawing.image);
    }
    frame.inked.markAll();
    return frame;
}

// Everything that can fail comes first, so a failure leaves the old size and frames.
void QtSurface::resize(int32_t width, int32_t height) {
    const int32_t newWidth = clampSide(width), newHeight = clampSide(height);
    replaceDrawing(redrawnFrame(newWidth, newHeight, dpi, ratio));
    logicalWidth = newWidth;
    logicalHeight = newHeight;
    drawn();
}

void QtSurface::setDevicePixelRatio(double newRatio) {
    rescale(dpi, newRatio);
}

void QtSurface::setLogicalDpi(double newDpi) {
    rescale(newDpi, ratio);
}

void QtSurface::rescale(double newDpi, double newRatio) {
    const bool usable =
        std::isfinite(newDpi) && newDpi > 0 && std::isfinite(newRatio) && newRatio > 0;
    if (!usable || (newDpi == dpi && newRatio == ratio))
        return;
    Frame rescaled = redrawnFrame(logicalWidth, logicalHeight, newDpi, newRatio);
    QtFonts rescaledFonts(fonts, rescaled.image);
    replaceDrawing(std::move(rescaled));
    fonts = std::move(rescaledFonts);
    dpi = newDpi;
    ratio = newRatio;
    drawn();
}

// Allocates nothing: the presented frame shares the drawing's pixels and inked rows until
// the two part, and the frame it replaces is only kept.
const QImage& QtSurface::presentedImage() noexcept {
    if (!hidden && unpresented) {
        endPainting();
        if (!presentedSharesDrawing()) { // else shown again with nothing drawn since
            recycled = std::move(presented);
            presented.image = drawing.image;
        }
        unpresented = false;
    }
    return presented.image;
}

bool QtSurface::presentedSharesDrawing() const {
    return presented.image.constBits() == drawing.image.constBits();
}

// The presented frame takes the inked rows of pixels it shared, which cover all it shows.
void QtSurface::replaceDrawing(Frame&& next) noexcept {
    endPainting();
    if (presentedSharesDrawing())
        presented.inked = std::move(drawing.inked);
    drawing = std::move(next);
}

// Before anything is drawn into it, the drawing image gets pixels of its own: the frame on
// screen, or held by a paint in progress, must not change. Throws, having changed nothing,
// where the copy cannot be had; the toolkit's own copy on write would leave a null image.
void QtSurface::ownDrawing() {
    if (drawing.image.isDetached())
        return;
    Frame own{drawing.image.copy(), drawing.inked};
    if (own.image.isNull())
        refuseFrame(drawing.image.width(), drawing.image.height());
    replaceDrawing(std::move(own));
}

int32_t QtSurface::drawnPixel(int32_t x, int32_t y) {
    endPainting();
    const QPoint device(roundToPixel(x * ratio), roundToPixel(y * ratio));
    if (!drawing.image.rect().contains(device))
        raiseOutOfRange("a pixel outside the surface");
    return colourOfPixel(drawing.image.pixel(device));
}

QPainter& QtSurface::painter() {
    if (!activePainter) {
        ownDrawing();
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
    requirePixels(mode);
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
    if (const QImage& image = drawing.image; !image.isDetached()) {
        // The presented frame keeps its pixels, and there are none to copy.
        const bool fits = recycled.image.isDetached() && recycled.image.size() == image.size() &&
                          recycled.image.devicePixelRatio() == ratio &&
                          recycled.image.dotsPerMeterY() == image.dotsPerMeterY();
        replaceDrawing(fits ? std::move(recycled)
                            : blankFrame(logicalWidth, logicalHeight, dpi, ratio));
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

// The conditions are printGlyphs', where it takes no fallback.
std::optional<double> QtSurface::advancesWidth(std::u16string_view text) {
    if (drawingMode != Drawing::Quick || fonts.strikethrough())
        return std::nullopt;
    ResolvedFont& f = fonts.current();
    int64_t width = 0;
    for (const char16_t unit : text) {
        const int32_t advance = f.advanceOf(unit);
        if (advance == ResolvedFont::Advances::notSummable || f.glyphs[unit] == 0)
            return std::nullopt;
        width += advance;
    }
    return static_cast<double>(width) / 64;
}

void QtSurface::printPart(std::u16string_view part, double before) {
    if (part.empty())
        return;
    if (drawingMode == Drawing::Quick &&
        printGlyphs(part, textOrigin(), std::llround(before * 64))) {
        drawn();
        return;
    }
    Surface::printPart(part, before); // the font changed since the measure: near enough
}

QPointF QtSurface::textOrigin() const {
    return {static_cast<double>(roundToPixel(currentX)),
            roundToPixel(currentY) + fonts.current().ascent};
}

// False, having drawn nothing, for text that needs the toolkit's layout: characters it
// may shape, glyphs from a fallback font, decorations.
bool QtSurface::printGlyphs(std::u16string_view text, QPointF origin, int64_t before) {
    if (fonts.strikethrough())
        return false;
    ResolvedFont& f = fonts.current();
    for (const char16_t unit : text)
        if (f.advanceOf(unit) == ResolvedFont::Advances::notSummable || f.glyphs[unit] == 0)
            return false;
    // Learned glyphs are black ink: text of another colour is the toolkit's to draw.
    if (textColour != Qt::black || !f.blendsOwnGlyphs() || !blendGlyphs(text, origin, before))
        drawGlyphRun(text, origin, before);
    return true;
}

// False, having drawn nothing, where a glyph cannot be learned. Each glyph's pen is at
// the sum of the advances before it, in 64ths of a logical pixel, as it was measured.
bool QtSurface::blendGlyphs(std::u16string_view text, QPointF origin, int64_t before) {
    ResolvedFont& f = fonts.current();
    for (const char16_t unit : text)
        if (f.imagesOf(unit) == nullptr)
            return false;
    ownDrawing();
    const Canvas canvas(drawing.image);
    const auto scale = static_cast<int64_t>(ratio);
    const auto penX = static_cast<int64_t>(origin.x());
    const int64_t baselineY = static_cast<int64_t>(origin.y()) * scale;
    const int64_t rightmostPen =
        static_cast<int64_t>(std::ceil(f.metrics.height())) * scale + canvas.width;
    int left = canvas.width, top = canvas.height, right = 0, bottom = 0; // what was covered
    int64_t x = before;                                                  // 64ths of a pixel
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
void QtSurface::drawGlyphRun(std::u16string_view text, QPointF origin, int64_t before) {
    ResolvedFont& f = fonts.current();
    const double reach = f.metrics.height();
    const double left = -origin.x() - reach, right = logicalWidth - origin.x() + reach;
    runGlyphs.clear();
    runPositions.clear();
    int64_t x = before; // 64ths of a pixel
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
    p.setPen(QPen(QColor(toQRgb(colour)), 0));
    p.drawLine(QPointF(static_cast<double>(ax) + 0.5, static_cast<double>(ay) + 0.5),
               QPointF(static_cast<double>(bx) + 0.5, static_cast<double>(by) + 0.5));
    p.setPen(textColour);
    inked(static_cast<double>(std::min(ax, bx)) - 1, static_cast<double>(std::min(ay, by)) - 1,
          static_cast<double>(std::max(ax, bx)) + 2, static_cast<double>(std::max(ay, by)) + 2);
    drawn();
}

// A new background lies under every pixel, not only under those drawn since the last wipe.
void QtSurface::setColours(int32_t background, int32_t text) {
    const QColor newBackground(toQRgb(background)), newText(toQRgb(text));
    if (newBackground != backgroundColour) {
        backgroundColour = newBackground;
        for (Frame* frame : {&drawing, &presented, &recycled})
            frame->inked.markAll();
    }
    if (newText != textColour) {
        textColour = newText;
        if (activePainter)
            activePainter->setPen(textColour);
    }
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
        ownDrawing();
        const Canvas canvas(drawing.image);
        for (int64_t row = top * scale; row < (bottom + 1) * scale; ++row)
            fillRow(canvas, row, left * scale, (right + 1) * scale, toQRgb(colour));
        drawing.inked.mark(left * scale, top * scale, (right + 1) * scale, (bottom + 1) * scale);
    } else {
        painter().fillRect(QRect(static_cast<int>(left), static_cast<int>(top),
                                 static_cast<int>(right - left + 1),
                                 static_cast<int>(bottom - top + 1)),
                           QColor(toQRgb(colour)));
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
