#include "tests/support/HeadlessSurface.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

HeadlessSurface::HeadlessSurface(double width, double height, double charWidthPx,
                                 double lineHeightPx)
    : charWidth(charWidthPx), lineHeight(lineHeightPx), areaWidth(width), areaHeight(height) {
    advance = FixedAdvance{this};
}

double HeadlessSurface::FixedAdvance::operator()(char16_t unit) const {
    const bool surrogateHalf = unit >= 0xD800 && unit <= 0xDFFF;
    return surrogateHalf ? surface->charWidth / 2 : surface->charWidth;
}

void HeadlessSurface::record(Call kind, double x0, double y0, double x1, double y1, int32_t colour,
                             std::u16string text) {
    if (failAfter == 0) {
        failAfter = -1;
        throw std::runtime_error("headless surface: injected failure");
    }
    if (failAfter > 0)
        --failAfter;
    calls.push_back({kind, x0, y0, x1, y1, colour, std::move(text), size});
}

void HeadlessSurface::setScaleMode(int mode) {
    record(Call::ScaleMode, static_cast<double>(mode));
    scaleMode = mode;
}

// The fixed advances are summed without the call through advance, which loading a
// large text would otherwise make once per character.
double HeadlessSurface::textWidth(std::u16string_view text) {
    double width = 0;
    if (const FixedAdvance* fixed = advance.target<FixedAdvance>()) {
        for (const char16_t unit : text)
            width += (*fixed)(unit);
    } else {
        for (const char16_t unit : text)
            width += advance(unit);
    }
    return width * scale();
}

double HeadlessSurface::textHeight(std::u16string_view) {
    return lineHeight * scale();
}

void HeadlessSurface::setFontName(const std::u16string& newName) {
    if (std::find(missingFonts.begin(), missingFonts.end(), newName) != missingFonts.end())
        refuseSurfaceCall("no font of that name is installed");
    name = newName;
}

void HeadlessSurface::setFontSize(double points) {
    record(Call::FontSize, points);
    size = points;
}

void HeadlessSurface::hide() {
    record(Call::Hide);
    hidden = true;
}

void HeadlessSurface::show() {
    record(Call::Show);
    hidden = false;
}

void HeadlessSurface::clear() {
    record(Call::Clear, 0, 0, 0, 0, clearColour);
}

void HeadlessSurface::setDrawingPosition(double x, double y) {
    record(Call::Position, x, y);
    currentX = x;
    currentY = y;
}

void HeadlessSurface::print(std::u16string_view text) {
    record(Call::Print, currentX, currentY, 0, 0, textColour, std::u16string(text));
}

// Sums of quarter pixels scaled by a power of two are exact.
std::optional<double> HeadlessSurface::advancesWidth(std::u16string_view text) {
    int exponent = 0;
    if (std::frexp(scale(), &exponent) != 0.5)
        return std::nullopt;
    for (const char16_t unit : text)
        if (std::fmod(advance(unit) * 4, 1) != 0)
            return std::nullopt;
    return textWidth(text);
}

void HeadlessSurface::printPart(std::u16string_view part, double before) {
    record(Call::Print, currentX + before, currentY, 0, 0, textColour, std::u16string(part));
}

void HeadlessSurface::line(double x0, double y0, double x1, double y1, int32_t colour) {
    record(Call::Line, x0, y0, x1, y1, colour);
}

void HeadlessSurface::fillRect(double x0, double y0, double x1, double y1, int32_t colour) {
    record(Call::Fill, x0, y0, x1, y1, colour);
}

void HeadlessSurface::processPendingEvents() {
    record(Call::Events);
}

std::vector<HeadlessSurface::DrawCall> HeadlessSurface::callsOf(Call kind) const {
    std::vector<DrawCall> found;
    for (const auto& call : calls)
        if (call.kind == kind)
            found.push_back(call);
    return found;
}
