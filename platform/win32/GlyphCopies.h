#pragma once

#include "textbox/AdvanceTable.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class MemoryCanvas;

// A glyph as GDI draws it, alone, in a font and a text colour on one background colour,
// its pen on a whole pixel: the box of the pixels it changed, from the pen and the top of
// the text, and per pixel of the box the colour it left, the background's where it left
// the pixel alone. A glyph changes a pixel by what it covers and the colour it finds there,
// so where every pixel it changes still holds the background, copying it gives GDI's own
// pixels without GDI's per-glyph work.
struct GlyphCopy {
    int32_t left = 0, top = 0, width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, row after row
};

// The glyphs of one font copied on one background, learned as first printed.
struct GlyphSet {
    uint32_t background = 0;
    uint32_t text = 0; // the colour they were copied in
    enum class Verdict { Untried, LikeGdi, UnlikeGdi } verdict = Verdict::Untried;
    std::array<std::unique_ptr<GlyphCopy>, firstShapedCharacter> glyphs;
    std::array<bool, firstShapedCharacter> unlearnable{};
};

// Where a glyph of a text goes: its character, its copy and its pen.
struct GlyphPlace {
    char16_t unit;
    const GlyphCopy* glyph;
    int64_t penX;
};

// Draws the glyphs placed at the top y onto canvas, which GDI has no drawing pending for,
// in order, as GDI draws a text glyph after glyph: each is copied where every pixel it
// changes still holds the background, and drawn by GDI in font otherwise (ink within reach
// of its place).
void drawGlyphs(MemoryCanvas& canvas, HFONT font, const std::vector<GlyphPlace>& places, int64_t y,
                uint32_t background, int32_t reach);

// Learns glyphs by drawing them on a scratch bitmap of its own.
class GlyphLearner {
public:
    GlyphLearner();
    ~GlyphLearner();
    GlyphLearner(const GlyphLearner&) = delete;
    GlyphLearner& operator=(const GlyphLearner&) = delete;

    // The glyph of unit in font and textColour on background, advance wide and within a
    // line of lineHeight; null where GDI cannot draw on a scratch bitmap.
    // The context glyphs are drawn in to learn them; null before the first.
    HDC context() const;
    std::unique_ptr<GlyphCopy> learn(HFONT font, COLORREF textColour, uint32_t background,
                                     char16_t unit, int32_t advance, int32_t lineHeight);
    // Whether text drawn by GDI in one piece gives the pixels of drawGlyphs at places, pens
    // from 0: the test a font passes before its glyphs are copied.
    bool drawsLikeCopies(HFONT font, COLORREF textColour, uint32_t background,
                         std::u16string_view text, const std::vector<GlyphPlace>& places,
                         int32_t width, int32_t lineHeight);

private:
    // The scratch bitmap, at least width x height, filled with background, font selected.
    HDC prepare(HFONT font, COLORREF textColour, uint32_t background, int32_t width,
                int32_t height);
    std::unique_ptr<MemoryCanvas> scratch;
};
