#include "QtFonts.h"

#include "qtstrings.h"
#include "textbox/Surface.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Sizes past this would only exhaust memory in the glyph cache.
constexpr double largestFontPoints = 1000;
// Sizes once drawn are kept, up to a few: an editor draws in two.
constexpr size_t mostSizes = 8;

// Characters whose advance in a line is their own. Controls and the soft hyphen take no
// room in a line, and from the combining marks on, shaping may move glyphs.
bool isPlainCharacter(char16_t unit) {
    return (unit >= 0x20 && unit < 0x7F) ||
           (unit >= 0xA0 && unit < firstShapedCharacter && unit != 0xAD);
}

// Only the resolution and the pixel ratio of an image matter to fonts, so one pixel of it
// serves, and the fonts need not follow the frames.
QImage onePixelLike(const QImage& image) {
    QImage pixel = image.copy(0, 0, 1, 1);
    if (pixel.isNull())
        throw std::bad_alloc();
    return pixel;
}

} // namespace

// The raw font is the one the toolkit itself draws this font with on the image, so its
// glyphs are those that its own text layout would place.
ResolvedFont::ResolvedFont(const QFont& resolvedFont, const QImage& device)
    : font(resolvedFont), metrics(font, &device), raw(QRawFont::fromFont(QFont(font, &device))),
      ascent(std::round(metrics.ascent())) {
    if (wholeRatioOf(device.devicePixelRatio()) != 0)
        glyphPainter.emplace(raw, device);
}

double ResolvedFont::laidOutWidth(std::u16string_view text) const {
    return metrics.horizontalAdvance(toQString(text));
}

// Decided once per font, on a few glyphs with many shades of grey among them.
bool ResolvedFont::blendsOwnGlyphs() {
    if (blending == Blending::Untried) {
        std::vector<quint32> probes;
        for (const char16_t unit : std::u16string_view(u"Wg@e8%&"))
            if (advanceOf(unit) >= 0 && glyphs[unit] != 0)
                probes.push_back(glyphs[unit]);
        const bool same = glyphPainter && glyphPainter->blendsLikeTheToolkit(probes);
        blending = same ? Blending::Own : Blending::Toolkit;
    }
    return blending == Blending::Own;
}

const GlyphImages* ResolvedFont::imagesOf(char16_t unit) {
    if (!images[unit] && !unlearnable[unit]) {
        images[unit] = glyphPainter->learn(glyphs[unit]);
        unlearnable[unit] = !images[unit];
    }
    return images[unit].get();
}

int32_t ResolvedFont::learnAdvance(char16_t unit) {
    if (!isPlainCharacter(unit))
        return Advances::notSummable;
    const QChar character(unit);
    int count = 1;
    raw.glyphIndexesForChars(&character, 1, &glyphs[unit], &count);
    const double sixtyFourths = metrics.horizontalAdvance(character) * 64;
    return sixtyFourths == std::floor(sixtyFourths) ? static_cast<int32_t>(sixtyFourths)
                                                    : Advances::notSummable;
}

QtFonts::QtFonts(const QImage& like) : device(onePixelLike(like)) {
    // Unhinted advances are the same on every screen and at every pixel ratio, so the
    // window, the screenshots and the tests lay out alike. Without kerning and ligatures
    // in the scripts that need no shaping, the width of a prefix is where the cursor
    // after it is drawn, and a text's width is the sum of its characters' advances.
    style.setHintingPreference(QFont::PreferVerticalHinting);
    style.setKerning(false);
    style.setStyleStrategy(QFont::PreferNoShaping);
    style.setFamily(toQString(family));
    sizes.reserve(mostSizes);
    sizes.push_back(resolve(style, points));
}

QtFonts::QtFonts(const QtFonts& fonts, const QImage& like)
    : device(onePixelLike(like)), style(fonts.style), family(fonts.family), points(fonts.points) {
    sizes.reserve(mostSizes);
    sizes.push_back(resolve(style, points));
}

std::unique_ptr<ResolvedFont> QtFonts::resolve(const QFont& withStyle, double atPoints) const {
    QFont sized = withStyle;
    sized.setPointSizeF(atPoints);
    return std::make_unique<ResolvedFont>(sized, device);
}

// The sizes resolved in the old style are dropped, all but the current one resolved anew.
void QtFonts::restyle(const QFont& newStyle) {
    std::vector<std::unique_ptr<ResolvedFont>> restyled;
    restyled.reserve(mostSizes);
    restyled.push_back(resolve(newStyle, points));
    style = newStyle;
    sizes = std::move(restyled);
    selected = 0;
}

double QtFonts::textHeight(std::u16string_view text) const {
    const auto breaks = std::count(text.begin(), text.end(), u'\n');
    const QFontMetricsF& metrics = current().metrics;
    return metrics.height() + static_cast<double>(breaks) * metrics.lineSpacing();
}

void QtFonts::setName(const std::u16string& newName) {
    if (newName.empty())
        refuseSurfaceCall("a font needs a name");
    std::u16string newFamily = newName;
    QFont newStyle = style;
    newStyle.setFamily(toQString(newFamily));
    restyle(newStyle);
    family = std::move(newFamily);
}

void QtFonts::setSize(double newPoints) {
    if (!(newPoints > 0 && newPoints <= largestFontPoints))
        refuseSurfaceCall("font size outside 0 to 1000 points");
    if (newPoints == points)
        return;
    const auto found = std::find_if(sizes.begin(), sizes.end(), [&](const auto& resolved) {
        return resolved->font.pointSizeF() == newPoints;
    });
    if (found != sizes.end()) {
        selected = static_cast<size_t>(found - sizes.begin());
    } else {
        std::unique_ptr<ResolvedFont> resolved = resolve(style, newPoints);
        if (sizes.size() == mostSizes)
            sizes.clear();
        sizes.push_back(std::move(resolved)); // within the reserved room: cannot fail
        selected = sizes.size() - 1;
    }
    points = newPoints;
}

void QtFonts::setBold(bool on) {
    QFont newStyle = style;
    newStyle.setBold(on);
    restyle(newStyle);
}

void QtFonts::setItalic(bool on) {
    QFont newStyle = style;
    newStyle.setItalic(on);
    restyle(newStyle);
}

void QtFonts::setStrikethrough(bool on) {
    QFont newStyle = style;
    newStyle.setStrikeOut(on);
    restyle(newStyle);
}
