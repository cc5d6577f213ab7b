#include "GlyphBitmaps.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int32_t offsets = 64, slotsPerRow = 8;
constexpr QRgb white = 0xFFFFFFFFu;
// A scratch image past this many device pixels means a font too large to be worth it.
constexpr int64_t largestScratch = int64_t{1} << 21;

uint32_t keepPixel(uint32_t keep) {
    return 0xFF000000u | keep * 0x010101u;
}

// c * a / 255 in the toolkit's rounding, exact for black over any colour.
uint32_t scaleChannel(uint32_t c, uint32_t a) {
    const uint32_t t = c * a;
    return (t + (t >> 8) + 0x80) >> 8;
}

uint32_t blendPixel(uint32_t pixel, uint32_t keep) {
    uint32_t blended = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8)
        blended |= scaleChannel((pixel >> shift) & 0xFF, (keep >> shift) & 0xFF) << shift;
    return blended;
}

// Four pixels at once, each channel as blendPixel scales it.
using Bytes = uint8_t __attribute__((vector_size(16)));
using Words = uint16_t __attribute__((vector_size(32)));

void blendChunk(uchar* pixels, const uint32_t* keep) {
    Bytes old, kept;
    std::memcpy(&old, pixels, sizeof old);
    std::memcpy(&kept, keep, sizeof kept);
    const Words t = __builtin_convertvector(old, Words) * __builtin_convertvector(kept, Words);
    const Bytes blended = __builtin_convertvector((t + (t >> 8) + 0x80) >> 8, Bytes);
    std::memcpy(pixels, &blended, sizeof blended);
}

QRgb* pixelAt(const Canvas& canvas, int64_t x, int64_t y) {
    return reinterpret_cast<QRgb*>(canvas.bits + y * canvas.stride) + x;
}

// The toolkit's own drawing of glyphs in black, with their pens at positions.
void paintGlyphs(QImage& image, const QRawFont& font, const std::vector<quint32>& glyphs,
                 const std::vector<QPointF>& positions) {
    QGlyphRun run;
    run.setRawFont(font);
    run.setRawData(glyphs.data(), positions.data(), static_cast<int>(glyphs.size()));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

// Where the glyphs of a learning image are painted: a grid of equal slots, each glyph
// well inside its own, at an offset of slot/64 past the slot's whole pen pixel.
struct SlotGrid {
    int32_t penX, baseline, width, height; // logical pixels within a slot
    QPoint pen(int32_t slot) const {
        return {(slot % slotsPerRow) * width + penX, (slot / slotsPerRow) * height + baseline};
    }
};

// The bitmap of the ink inside one device rectangle, or none if the ink is not grey or
// may not lie wholly inside. pen is the device pixel the bitmap is placed from.
std::optional<GlyphBitmap> readBack(const QImage& image, const QRect& slot, QPoint pen) {
    int left = slot.right() + 1, right = slot.left() - 1, top = slot.bottom() + 1, bottom = 0;
    const std::vector<QRgb> blank(static_cast<size_t>(slot.width()), white);
    for (int y = slot.top(); y <= slot.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (std::memcmp(row + slot.left(), blank.data(), blank.size() * sizeof(QRgb)) == 0)
            continue; // most of a slot is margin
        for (int x = slot.left(); x <= slot.right(); ++x)
            if (row[x] != white) {
                if (qRed(row[x]) != qBlue(row[x]) || qGreen(row[x]) != qBlue(row[x]))
                    return std::nullopt; // colour fringes: blended another way
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    const QRect ink = left <= right ? QRect(QPoint(left, top), QPoint(right, bottom)) : QRect();
    if (!ink.isEmpty() && !slot.adjusted(1, 1, -1, -1).contains(ink))
        return std::nullopt; // touching the edge, it may reach past it
    GlyphBitmap bitmap;
    if (ink.isEmpty())
        return bitmap;
    bitmap.left = ink.left() - pen.x();
    bitmap.top = ink.top() - pen.y();
    bitmap.width = ink.width();
    bitmap.height = ink.height();
    bitmap.chunks = (ink.width() + 3) / 4;
    const int32_t rowPixels = bitmap.chunks * 4;
    bitmap.keep.assign(static_cast<size_t>(rowPixels * ink.height()), keepPixel(255));
    for (int y = 0; y < ink.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(ink.top() + y));
        for (int x = 0; x < ink.width(); ++x)
            bitmap.keep[static_cast<size_t>(y * rowPixels + x)] =
                keepPixel(static_cast<uint32_t>(qBlue(row[ink.left() + x])));
    }
    return bitmap;
}

} // namespace

GlyphPainter::GlyphPainter(const QRawFont& font, const QImage& model)
    : raw(font), ratio(static_cast<int32_t>(model.devicePixelRatio())),
      dotsPerMeterX(model.dotsPerMeterX()), dotsPerMeterY(model.dotsPerMeterY()) {}

QImage GlyphPainter::scratch(int32_t logicalWidth, int32_t logicalHeight) const {
    QImage image(logicalWidth * ratio, logicalHeight * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.setDotsPerMeterX(dotsPerMeterX);
    image.setDotsPerMeterY(dotsPerMeterY);
    image.fill(white);
    return image;
}

// Paints the glyph at all 64 offsets at once and reads each back. A glyph's ink lies
// within its outline's bounds and a pixel or two of smoothing; a glyph that still touches
// the edge of its slot is tried again with wider margins.
std::unique_ptr<GlyphImages> GlyphPainter::learn(quint32 glyph) const {
    const QRectF outline = raw.boundingRect(glyph);
    for (int32_t margin = 3; margin <= 27; margin *= 3) {
        SlotGrid grid{};
        grid.penX = margin + 1 - static_cast<int32_t>(std::floor(outline.left()));
        grid.baseline = margin + 1 - static_cast<int32_t>(std::floor(outline.top()));
        grid.width = grid.penX + static_cast<int32_t>(std::ceil(outline.right())) + margin + 2;
        grid.height =
            grid.baseline + static_cast<int32_t>(std::ceil(outline.bottom())) + margin + 2;
        const int64_t area = int64_t{offsets} * grid.width * grid.height * ratio * ratio;
        if (grid.width <= 0 || grid.height <= 0 || area > largestScratch)
            return nullptr;
        QImage image = scratch(slotsPerRow * grid.width, offsets / slotsPerRow * grid.height);
        if (image.isNull())
            return nullptr;
        std::vector<QPointF> positions;
        for (int32_t slot = 0; slot < offsets; ++slot)
            positions.emplace_back(QPointF(grid.pen(slot)) + QPointF(slot / 64.0, 0));
        paintGlyphs(image, raw, std::vector<quint32>(offsets, glyph), positions);
        auto images = std::make_unique<GlyphImages>();
        bool inside = true;
        for (int32_t slot = 0; slot < offsets && inside; ++slot) {
            const QRect slotArea(slot % slotsPerRow * grid.width * ratio,
                                 slot / slotsPerRow * grid.height * ratio, grid.width * ratio,
                                 grid.height * ratio);
            const std::optional<GlyphBitmap> bitmap =
                readBack(image, slotArea, grid.pen(slot) * ratio);
            if (!bitmap) {
                inside = false;
                break;
            }
            const auto known = std::find(images->distinct.begin(), images->distinct.end(), *bitmap);
            images->atOffset[static_cast<size_t>(slot)] =
                static_cast<uint8_t>(known - images->distinct.begin());
            if (known == images->distinct.end())
                images->distinct.push_back(*bitmap);
        }
        if (inside)
            return images;
    }
    return nullptr;
}

// Paints the glyphs over a background of every colour, overlapping one another and the
// image's edges, once by the toolkit and once by blending what was learned, and compares.
bool GlyphPainter::blendsLikeTheToolkit(const std::vector<quint32>& glyphs) const {
    std::vector<std::unique_ptr<GlyphImages>> learned;
    std::vector<quint32> painted;
    for (const quint32 glyph : glyphs)
        if (auto images = learn(glyph)) {
            learned.push_back(std::move(images));
            painted.push_back(glyph);
        }
    if (learned.empty())
        return false;
    const double em = std::max(1.0, raw.pixelSize());
    const int32_t step = static_cast<int32_t>(std::ceil(em / 3)); // neighbours overlap
    const auto count = static_cast<int32_t>(painted.size()) * 6;
    QImage background = scratch(count / 2 * step, static_cast<int32_t>(3 * em));
    if (background.isNull())
        return false;
    uint32_t seed = 10;
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            background.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    QImage theirs = background.copy(), ours = background.copy();
    if (theirs.isNull() || ours.isNull())
        return false;
    const Canvas canvas(ours);
    std::vector<quint32> runGlyphs;
    std::vector<QPointF> positions;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t offset = (k * 23) % offsets;
        const int32_t penX = (k % (count / 2) - 1) * step; // from past the left to the right
        const int32_t baseline = k < count / 2 ? static_cast<int32_t>(2 * em) : step; // the top
        runGlyphs.push_back(painted[static_cast<size_t>(k) % painted.size()]);
        positions.emplace_back(penX + offset / 64.0, baseline);
        const GlyphImages& images = *learned[static_cast<size_t>(k) % learned.size()];
        blendGlyph(canvas, images.at(offset), int64_t{penX} * ratio, int64_t{baseline} * ratio);
    }
    paintGlyphs(theirs, raw, runGlyphs, positions);
    return theirs == ours;
}

QRect blendGlyph(const Canvas& canvas, const GlyphBitmap& bitmap, int64_t penX, int64_t baselineY) {
    const int64_t left = penX + bitmap.left, top = baselineY + bitmap.top;
    if (bitmap.width == 0 || left >= canvas.width || top >= canvas.height ||
        left + bitmap.width <= 0 || top + bitmap.height <= 0)
        return {};
    const int32_t rowPixels = bitmap.chunks * 4;
    const uint32_t* keep = bitmap.keep.data();
    if (left >= 0 && top >= 0 && left + rowPixels <= canvas.width &&
        top + bitmap.height <= canvas.height) {
        for (int32_t y = 0; y < bitmap.height; ++y) {
            auto* pixels = reinterpret_cast<uchar*>(pixelAt(canvas, left, top + y));
            for (int32_t chunk = 0; chunk < bitmap.chunks; ++chunk)
                blendChunk(pixels + 16 * chunk, keep + y * rowPixels + 4 * chunk);
        }
        return {static_cast<int>(left), static_cast<int>(top), bitmap.width, bitmap.height};
    }
    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(left + bitmap.width, canvas.width);
    const int64_t y1 = std::min<int64_t>(top + bitmap.height, canvas.height);
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x) {
            QRgb* pixel = pixelAt(canvas, x, y);
            *pixel = blendPixel(*pixel, keep[(y - top) * rowPixels + (x - left)]);
        }
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
            static_cast<int>(y1 - y0)};
}
