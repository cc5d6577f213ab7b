#include "platform/win32/GdiFonts.h"

#include <algorithm>
#include <stdexcept>

namespace {

int32_t extentWidth(HDC dc, std::u16string_view text) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, wide(text), unitCount(text), &extent);
    return extent.cx;
}

// Raster fonts made bold or italic add an overhang once per text, not once per character.
bool advancesAddUp(HDC dc) {
    TEXTMETRICW metrics{};
    return GetTextMetricsW(dc, &metrics) && metrics.tmOverhang == 0;
}

} // namespace

RealisedFont::RealisedFont(const FontRequest& wanted) : requested(wanted) {
    font.reset(CreateFontW(-wanted.pixelHeight, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL,
                           wanted.italic, FALSE, wanted.strikethrough, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE,
                           reinterpret_cast<const wchar_t*>(wanted.faceName.c_str())));
    if (!font)
        throw std::runtime_error("cannot create the font");
}

int32_t RealisedFont::textWidth(HDC dc, std::u16string_view text) {
    const std::optional<int32_t> summed = advancesWidth(dc, text);
    if (summed)
        return *summed;
    selectInto(dc);
    return extentWidth(dc, text);
}

int16_t RealisedFont::advanceOf(HDC dc, char16_t unit) {
    if (sums == Sums::Unchecked) {
        selectInto(dc);
        sums = advancesAddUp(dc) ? Sums::Agree : Sums::Differ;
    }
    if (sums == Sums::Differ)
        return Advances::notSummable;
    return advances.of(unit, [&](char16_t learned) { return learnAdvance(dc, learned); });
}

GlyphSet& RealisedFont::glyphsOn(uint32_t background, uint32_t text) {
    if (!glyphs || glyphs->background != background || glyphs->text != text) {
        glyphs = std::make_unique<GlyphSet>();
        glyphs->background = background;
        glyphs->text = text;
    }
    return *glyphs;
}

std::optional<int32_t> RealisedFont::advancesWidth(HDC dc, std::u16string_view text) {
    int64_t width = 0;
    for (const char16_t unit : text) {
        const int16_t advance = advanceOf(dc, unit);
        if (advance < 0)
            return std::nullopt;
        width += advance;
    }
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

int32_t RealisedFont::height(HDC dc) {
    if (pixelHeight < 0) {
        selectInto(dc);
        TEXTMETRICW metrics{};
        pixelHeight = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : requested.pixelHeight;
    }
    return pixelHeight;
}

// Control characters and characters the font lacks are drawn with stand-ins or borrowed
// glyphs, so texts holding them are always measured whole.
int16_t RealisedFont::learnAdvance(HDC dc, char16_t unit) {
    selectInto(dc);
    const auto character = static_cast<wchar_t>(unit);
    WORD glyph = 0;
    const bool drawable =
        unit >= 0x20 && (unit < 0x7F || unit >= 0xA0) &&
        GetGlyphIndicesW(dc, &character, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
        glyph != 0xFFFF;
    const int32_t width = drawable ? extentWidth(dc, std::u16string_view(&unit, 1)) : -1;
    return width >= 0 && width <= INT16_MAX ? static_cast<int16_t>(width) : Advances::notSummable;
}

RealisedFont& FontCache::realise(const FontRequest& wanted, std::initializer_list<HDC> contexts) {
    auto kept = std::find_if(fonts.begin(), fonts.end(),
                             [&](const auto& font) { return font->request() == wanted; });
    if (kept == fonts.end()) {
        auto realised = std::make_unique<RealisedFont>(wanted);
        if (fonts.size() == mostFonts) {
            for (const HDC dc : contexts) // a selected font cannot be deleted
                if (dc != nullptr && GetCurrentObject(dc, OBJ_FONT) == fonts.front()->handle())
                    SelectObject(dc, GetStockObject(SYSTEM_FONT));
            fonts.erase(fonts.begin());
        }
        fonts.push_back(std::move(realised));
    } else {
        std::rotate(kept, kept + 1, fonts.end());
    }
    return *fonts.back();
}
