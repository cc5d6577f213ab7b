#pragma once

#include "GlyphBitmaps.h"
#include "textbox/AdvanceTable.h"
#include "window/WindowDesign.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A font at one size, resolved once: drawing switches between the full and the half size
// line by line, and resolving is far dearer than drawing a cell.
struct ResolvedFont {
    // In 64ths of a pixel, the toolkit's own unit, so sums are exact and quick; a
    // character the toolkit may shape is not summable.
    using Advances = AdvanceTable<int32_t>;

    // The font as drawn on images like device (its resolution and pixel ratio).
    ResolvedFont(const QFont& font, const QImage& device);
    ResolvedFont(const ResolvedFont&) = delete;
    ResolvedFont& operator=(const ResolvedFont&) = delete;

    QFont font;
    QFontMetricsF metrics;
    QRawFont raw;
    double ascent;
    // Learning glyphs needs a whole device pixel ratio; empty otherwise.
    std::optional<GlyphPainter> glyphPainter;
    enum class Blending { Untried, Own, Toolkit } blending = Blending::Untried;
    // Per character, learned as first drawn; empty also where learning failed.
    std::array<std::unique_ptr<GlyphImages>, firstShapedCharacter> images;
    std::array<bool, firstShapedCharacter> unlearnable{};
    Advances advances;
    // Per character, filled as its advance is learned: the glyph in the font itself, 0
    // where the toolkit falls back to another font.
    std::array<quint32, firstShapedCharacter> glyphs{};

    // The width of text as the toolkit lays it out, shaping included.
    double laidOutWidth(std::u16string_view text) const;
    // Whether blending learned glyphs gives the toolkit's own pixels in this font.
    bool blendsOwnGlyphs();
    // For a plain character whose advance and glyph are known; null where unlearnable.
    const GlyphImages* imagesOf(char16_t unit);
    // Inline: measuring a cell is a loop of these.
    int32_t advanceOf(char16_t unit) {
        return advances.of(unit, [this](char16_t learned) { return learnAdvance(learned); });
    }

private:
    int32_t learnAdvance(char16_t unit);
};

// The picture surface's font: its settings and the sizes resolved in them, for images of
// one resolution and pixel ratio. It measures text as the surface will draw it. A setter
// either succeeds or throws having changed nothing.
class QtFonts {
public:
    // The window's designed font, on images like device.
    explicit QtFonts(const QImage& device);
    // The settings of fonts, on images like device: for a change of resolution or ratio.
    QtFonts(const QtFonts& fonts, const QImage& device);
    QtFonts(QtFonts&&) noexcept = default;
    QtFonts& operator=(QtFonts&&) noexcept = default;

    ResolvedFont& current() { return *sizes[selected]; }
    const ResolvedFont& current() const { return *sizes[selected]; }
    // Plain text is measured by summing cached advances; only text that may be shaped is
    // laid out by the toolkit. Inline, as measuring a cell is the hottest call there is.
    double textWidth(std::u16string_view text) {
        ResolvedFont& f = current();
        int64_t width = 0;
        for (const char16_t unit : text) {
            const int32_t advance = f.advanceOf(unit);
            if (advance == ResolvedFont::Advances::notSummable)
                return f.laidOutWidth(text);
            width += advance;
        }
        return static_cast<double>(width) / 64;
    }
    double textHeight(std::u16string_view text) const;

    const std::u16string& name() const { return family; }
    void setName(const std::u16string& newName);
    double size() const { return points; }
    void setSize(double newPoints);
    bool bold() const { return style.bold(); }
    void setBold(bool on);
    bool italic() const { return style.italic(); }
    void setItalic(bool on);
    bool strikethrough() const { return style.strikeOut(); }
    void setStrikethrough(bool on);

private:
    std::unique_ptr<ResolvedFont> resolve(const QFont& withStyle, double atPoints) const;
    void restyle(const QFont& newStyle);

    QImage device; // a pixel like those drawn on, which fonts are resolved against
    QFont style;   // family, weight, slant and strike-out; the size is each resolved font's
    std::u16string family{windowDesign::fontName};
    double points = windowDesign::fontPoints;
    std::vector<std::unique_ptr<ResolvedFont>> sizes; // room for the most kept, reserved
    size_t selected = 0;
};
