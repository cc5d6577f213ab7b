#pragma once

#include "platform/win32/GdiHandles.h"
#include "platform/win32/GlyphCopies.h"
#include "textbox/AdvanceTable.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline const wchar_t* wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

// GDI counts characters in int; a longer text is cut where GDI can still take it.
inline int unitCount(std::u16string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

// A font as the surface asks GDI for it.
struct FontRequest {
    std::u16string faceName;
    int32_t pixelHeight = 0; // of the characters, without the internal leading
    bool bold = false, italic = false, strikethrough = false;

    bool operator==(const FontRequest&) const = default;
};

// One font GDI realised, with the advance of each character it has measured so far, so
// that measuring a cell costs a table look-up per character instead of a GDI call. A sum
// of advances is used only where it is the width GDI itself gives the text, and so the
// width TextOutW draws it at: characters the font has a glyph for, below the combining
// marks, in a font without overhang.
class RealisedFont {
public:
    // Throws if GDI cannot create the font.
    explicit RealisedFont(const FontRequest& wanted);
    RealisedFont(const RealisedFont&) = delete;
    RealisedFont& operator=(const RealisedFont&) = delete;

    const FontRequest& request() const { return requested; }
    HFONT handle() const { return font.get(); }
    // Selecting costs microseconds, so a font is selected into a context only where GDI
    // draws or measures in it; the measures below select it into dc where they need it.
    void selectInto(HDC dc) const {
        if (GetCurrentObject(dc, OBJ_FONT) != handle())
            SelectObject(dc, handle());
    }
    int32_t textWidth(HDC dc, std::u16string_view text);
    // The width of text as a sum of advances, or nothing where GDI measures it otherwise.
    std::optional<int32_t> advancesWidth(HDC dc, std::u16string_view text);
    // The font's height in pixels, ascent and descent.
    int32_t height(HDC dc);
    // The advance of unit where a sum of advances is the text's width, else negative.
    int16_t advanceOf(HDC dc, char16_t unit);
    // The copies of this font's glyphs in text on background; those of other colours go.
    GlyphSet& glyphsOn(uint32_t background, uint32_t text);

private:
    using Advances = AdvanceTable<int16_t>; // whole pixels

    int16_t learnAdvance(HDC dc, char16_t unit);

    FontRequest requested;
    GdiObject<HFONT> font;
    enum class Sums { Unchecked, Agree, Differ } sums = Sums::Unchecked;
    int32_t pixelHeight = -1; // unknown until asked
    Advances advances;
    std::unique_ptr<GlyphSet> glyphs;
};

// The few fonts a frame switches between (a line's full and half size), kept realised so
// that a switch neither creates a font nor forgets its advances. The least recently used
// goes when a new one would overflow the cache.
class FontCache {
public:
    // The requested font, realised first if need be; on failure throws. A font that goes
    // is first taken out of those of contexts that have it selected.
    RealisedFont& realise(const FontRequest& wanted, std::initializer_list<HDC> contexts);

private:
    static constexpr size_t mostFonts = 8;
    std::vector<std::unique_ptr<RealisedFont>> fonts; // the most recently used last
};
