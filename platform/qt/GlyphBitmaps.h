#pragma once

#include <QImage>
#include <QRawFont>
#include <QRect>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The device pixels per logical pixel where that is a whole number the quick drawing
// supports, else 0.
inline int32_t wholeRatioOf(double ratio) {
    return ratio == std::floor(ratio) && ratio >= 1 && ratio <= 4 ? static_cast<int32_t>(ratio) : 0;
}

// A glyph as the toolkit paints it in black at one offset past a whole pixel, read back
// from a scratch image. Blending that coverage again gives the toolkit's own pixels
// without its per-glyph lookups and its pixel-by-pixel loop.
struct GlyphBitmap {
    // The ink's top left in device pixels from the pen's whole pixel and the baseline.
    int32_t left = 0, top = 0;
    int32_t width = 0, height = 0;
    int32_t chunks = 0; // per row, in groups of four pixels
    // Per pixel the share of the old colour that stays: 255 - coverage in the colour
    // channels, 255 in the alpha, as a pixel of the image. Rows are padded with pixels
    // that keep everything.
    std::vector<uint32_t> keep;
    bool operator==(const GlyphBitmap&) const = default;
};

// One glyph with its pen at each 64th of a logical pixel past a whole pixel, where text is
// placed; the toolkit tells only a few of those apart, so most share a bitmap.
struct GlyphImages {
    std::vector<GlyphBitmap> distinct;
    std::array<uint8_t, 64> atOffset{};
    const GlyphBitmap& at(int32_t sixtyFourths) const { return distinct[atOffset[sixtyFourths]]; }
};

// The rows of a detached RGB32 image, to blend into.
struct Canvas {
    uchar* bits;
    qsizetype stride;
    int32_t width, height;
    explicit Canvas(QImage& image)
        : bits(image.bits()), stride(image.bytesPerLine()), width(image.width()),
          height(image.height()) {}
};

// Learns glyphs of one raw font as painted on images like model (its pixel ratio, a whole
// number, and resolution).
class GlyphPainter {
public:
    GlyphPainter(const QRawFont& font, const QImage& model);
    // Null for a glyph whose ink the scratch image cannot hold or that is not plain
    // coverage (such as subpixel colour), and where no scratch image can be allocated:
    // the toolkit then draws the glyph itself.
    std::unique_ptr<GlyphImages> learn(quint32 glyph) const;
    // Whether blending learned glyphs gives the toolkit's pixels over any background: not
    // where it blends with gamma correction, say, nor where the images to compare cannot
    // be allocated. glyphs are some of the font's.
    bool blendsLikeTheToolkit(const std::vector<quint32>& glyphs) const;

private:
    // White, as glyphs are learned on; null where it cannot be allocated.
    QImage scratch(int32_t logicalWidth, int32_t logicalHeight) const;
    QRawFont raw;
    int32_t ratio;
    int dotsPerMeterX, dotsPerMeterY;
};

// Blends bitmap in black with its pen at device pixel (penX, baselineY); returns the
// pixels it covered, cut to the canvas.
QRect blendGlyph(const Canvas& canvas, const GlyphBitmap& bitmap, int64_t penX, int64_t baselineY);
