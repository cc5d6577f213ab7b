#include "platform/win32/GlyphCopies.h"

#include "platform/win32/GdiSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The pixels of canvas that a glyph's box covers with its top left at (left, top):
// columns [from, to) of rows [first, end), none where either is empty.
struct CoveredPixels {
    int64_t from, to, first, end;
    CoveredPixels(const MemoryCanvas& canvas, const GlyphCopy& glyph, int64_t left, int64_t top)
        : from(std::max<int64_t>(left, 0)),
          to(std::min<int64_t>(left + glyph.width, canvas.width())),
          first(std::max<int64_t>(top, 0)),
          end(std::min<int64_t>(top + glyph.height, canvas.height())) {}
};

// Whether every pixel of canvas that glyph, its box's top left at (left, top), changes
// still holds the background; rows where nothing was drawn need no looking at.
bool fitsOnBackground(MemoryCanvas& canvas, const GlyphCopy& glyph, int64_t left, int64_t top,
                      uint32_t background) {
    const auto [from, to, first, end] = CoveredPixels(canvas, glyph, left, top);
    for (int64_t row = first; from < to && row < end; ++row) {
        if (canvas.inked.untouched(row, from, to))
            continue;
        const uint32_t* own = glyph.pixels.data() + (row - top) * glyph.width;
        const uint32_t* drawn = canvas.row(static_cast<int32_t>(row));
        for (int64_t x = from; x < to; ++x)
            if (own[x - left] != background && drawn[x] != background)
                return false;
    }
    return true;
}

// A glyph's row is a few pixels: copied here four at a time, not by a call into the C
// library, which under wine costs more than such a copy.
void copyPixels(const uint32_t* from, int64_t count, uint32_t* to) {
    using FourPixels = uint32_t __attribute__((vector_size(16)));
    for (; count >= 4; count -= 4, from += 4, to += 4) {
        FourPixels four;
        std::memcpy(&four, from, sizeof four);
        std::memcpy(to, &four, sizeof four);
    }
    for (int64_t k = 0; k < 3; ++k)
        if (k < count)
            to[k] = from[k];
}

// Where nothing was drawn yet the glyph's box goes over whole, background and all.
void copyGlyph(MemoryCanvas& canvas, const GlyphCopy& glyph, int64_t left, int64_t top,
               uint32_t background) {
    const auto [from, to, first, end] = CoveredPixels(canvas, glyph, left, top);
    for (int64_t row = first; from < to && row < end; ++row) {
        const uint32_t* own = glyph.pixels.data() + (row - top) * glyph.width + (from - left);
        uint32_t* drawn = canvas.row(static_cast<int32_t>(row)) + from;
        if (canvas.inked.untouched(row, from, to)) {
            copyPixels(own, to - from, drawn);
            continue;
        }
        for (int64_t x = 0; x < to - from; ++x)
            if (own[x] != background)
                drawn[x] = own[x];
    }
    canvas.inked.mark(from, first, to, end);
}

} // namespace

void drawGlyphs(MemoryCanvas& canvas, HFONT font, const std::vector<GlyphPlace>& places, int64_t y,
                uint32_t background, int32_t reach) {
    for (const GlyphPlace& place : places) {
        const GlyphCopy& glyph = *place.glyph;
        const int64_t left = place.penX + glyph.left, top = y + glyph.top;
        if (fitsOnBackground(canvas, glyph, left, top, background)) {
            copyGlyph(canvas, glyph, left, top, background);
            continue;
        }
        if (GetCurrentObject(canvas.dc(), OBJ_FONT) != font)
            SelectObject(canvas.dc(), font);
        const auto character = static_cast<wchar_t>(place.unit);
        TextOutW(canvas.dc(), static_cast<int>(std::clamp<int64_t>(place.penX, INT_MIN, INT_MAX)),
                 static_cast<int>(std::clamp<int64_t>(y, INT_MIN, INT_MAX)), &character, 1);
        GdiFlush(); // the next glyph looks at the pixels
        canvas.inked.mark(place.penX - reach, y - reach,
                          place.penX + glyph.width + glyph.left + reach, y + 2 * reach);
    }
}

GlyphLearner::GlyphLearner() = default;
GlyphLearner::~GlyphLearner() = default;

HDC GlyphLearner::context() const {
    return scratch ? scratch->dc() : nullptr;
}

HDC GlyphLearner::prepare(HFONT font, COLORREF textColour, uint32_t background, int32_t width,
                          int32_t height) {
    try {
        if (!scratch)
            scratch = std::make_unique<MemoryCanvas>();
        if (scratch->width() < width || scratch->height() < height)
            scratch->resize(std::max(width, scratch->width()), std::max(height, scratch->height()));
    } catch (const std::exception&) {
        return nullptr;
    }
    const HDC dc = scratch->dc();
    GdiFlush();
    for (int32_t row = 0; row < height; ++row)
        scratch->fillRow(row, 0, width, background);
    scratch->inked.reset(scratch->height(), scratch->width());
    if (GetCurrentObject(dc, OBJ_FONT) != font)
        SelectObject(dc, font);
    SetTextColor(dc, textColour);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    return dc;
}

// Ink that reaches the scratch bitmap's edge may reach further: such a glyph is not learned.
std::unique_ptr<GlyphCopy> GlyphLearner::learn(HFONT font, COLORREF textColour, uint32_t background,
                                               char16_t unit, int32_t advance, int32_t lineHeight) {
    const int32_t pad = 2 * lineHeight + 2;
    const int32_t width = std::max(advance, 0) + 2 * pad, height = lineHeight + 2 * pad;
    const HDC dc = prepare(font, textColour, background, width, height);
    if (dc == nullptr)
        return nullptr;
    const auto character = static_cast<wchar_t>(unit);
    TextOutW(dc, pad, pad, &character, 1);
    GdiFlush();
    int32_t left = width, top = height, right = -1, bottom = -1;
    for (int32_t row = 0; row < height; ++row)
        for (int32_t x = 0; x < width; ++x)
            if (scratch->row(row)[x] != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
    auto copy = std::make_unique<GlyphCopy>();
    if (right < 0)
        return copy; // a blank changes nothing
    if (left == 0 || top == 0 || right == width - 1 || bottom == height - 1)
        return nullptr;
    copy->left = left - pad;
    copy->top = top - pad;
    copy->width = right - left + 1;
    copy->height = bottom - top + 1;
    for (int32_t row = top; row <= bottom; ++row)
        copy->pixels.insert(copy->pixels.end(), scratch->row(row) + left,
                            scratch->row(row) + right + 1);
    return copy;
}

bool GlyphLearner::drawsLikeCopies(HFONT font, COLORREF textColour, uint32_t background,
                                   std::u16string_view text, const std::vector<GlyphPlace>& places,
                                   int32_t width, int32_t lineHeight) {
    const int32_t pad = 2 * lineHeight + 2;
    const int32_t areaWidth = width + 2 * pad, areaHeight = lineHeight + 2 * pad;
    HDC dc = prepare(font, textColour, background, areaWidth, areaHeight);
    if (dc == nullptr)
        return false;
    TextOutW(dc, pad, pad, reinterpret_cast<const wchar_t*>(text.data()),
             static_cast<int>(text.size()));
    GdiFlush();
    std::vector<uint32_t> drawn;
    for (int32_t row = 0; row < areaHeight; ++row)
        drawn.insert(drawn.end(), scratch->row(row), scratch->row(row) + areaWidth);
    if (prepare(font, textColour, background, areaWidth, areaHeight) == nullptr)
        return false;
    std::vector<GlyphPlace> shifted = places;
    for (GlyphPlace& place : shifted)
        place.penX += pad;
    drawGlyphs(*scratch, font, shifted, pad, background, lineHeight);
    for (int32_t row = 0; row < areaHeight; ++row)
        if (!std::equal(scratch->row(row), scratch->row(row) + areaWidth,
                        drawn.begin() + static_cast<std::ptrdiff_t>(row) * areaWidth))
            return false;
    return true;
}
