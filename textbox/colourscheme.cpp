#include "textbox/colourscheme.h"

#include "support/Rounding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t white = packedColour(255, 255, 255), black = 0;
constexpr double leastContrast = 4.5;

std::array<int32_t, 3> channelsOf(int32_t colour) {
    return {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
}

double relativeLuminance(int32_t colour) {
    constexpr std::array<double, 3> weights = {0.2126, 0.7152, 0.0722};
    const std::array<int32_t, 3> channels = channelsOf(colour);
    double luminance = 0;
    for (size_t k = 0; k < 3; ++k) {
        const double c = channels[k] / 255.0;
        luminance += weights[k] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return luminance;
}

// share of the way from `from` to `to`, channel by channel.
int32_t mixed(int32_t from, int32_t to, double share) {
    const std::array<int32_t, 3> a = channelsOf(from), b = channelsOf(to);
    std::array<int32_t, 3> c{};
    for (size_t k = 0; k < 3; ++k)
        c[k] = std::clamp(roundToPixel(a[k] + (b[k] - a[k]) * share), 0, 255);
    return packedColour(c[0], c[1], c[2]);
}

// Far enough apart in some channel to be seen as two colours.
bool toldApart(int32_t a, int32_t b) {
    const std::array<int32_t, 3> x = channelsOf(a), y = channelsOf(b);
    int32_t most = 0;
    for (size_t k = 0; k < 3; ++k)
        most = std::max(most, std::abs(x[k] - y[k]));
    return most >= 4;
}

struct Tints {
    int32_t odd, even;
};

// The tints share and twice share of the way from background towards target, where they
// are told apart and ink keeps its contrast against both.
bool fit(int32_t background, int32_t target, int32_t ink, double share, Tints& tints) {
    const int32_t even = mixed(background, target, share),
                  odd = mixed(background, target, 2 * share);
    const bool fits = toldApart(background, even) && toldApart(even, odd) &&
                      contrastRatio(ink, even) >= leastContrast &&
                      contrastRatio(ink, odd) >= leastContrast;
    if (fits)
        tints = {odd, even};
    return fits;
}

// A sixteenth and an eighth of the way towards the ink, as the light tints are, or less;
// where even the least would cost the ink its contrast, as much away from it.
Tints tintsOf(int32_t background, int32_t ink) {
    const int32_t away = relativeLuminance(background) >= relativeLuminance(ink) ? white : black;
    Tints tints{mixed(background, ink, 0.125), mixed(background, ink, 0.0625)};
    for (const int32_t target : {ink, away})
        for (double share = 0.0625; share >= 0.01; share *= 0.8)
            if (fit(background, target, ink, share, tints))
                return tints;
    return tints;
}

} // namespace

double contrastRatio(int32_t a, int32_t b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ColourScheme lightScheme() {
    ColourScheme light;
    light.window = white;
    light.text = black;
    light.selection = packedColour(180, 213, 255);
    light.selectedText = black;
    light.cursor = black;
    light.tintOdd = packedColour(223, 255, 255);
    light.tintEven = packedColour(239, 255, 255);
    light.selectedTintOdd = packedColour(140, 186, 235);
    light.selectedTintEven = packedColour(160, 200, 245);
    return light;
}

ColourScheme schemeFrom(int32_t window, int32_t text, int32_t selection, int32_t selectedText) {
    const Tints tints = tintsOf(window, text), selectedTints = tintsOf(selection, selectedText);
    return {window,    text,       selection,         selectedText,      text,
            tints.odd, tints.even, selectedTints.odd, selectedTints.even};
}

ColourScheme darkScheme() {
    return schemeFrom(packedColour(30, 30, 30), packedColour(212, 212, 212),
                      packedColour(38, 79, 120), white);
}

ColourScheme schemeFor(const SystemColours& system) {
    if (!system.highContrast && system.darkApps)
        return darkScheme();
    if (!system.highContrast && system.window == white)
        return lightScheme();
    return schemeFrom(system.window, system.text, system.highlight, system.highlightedText);
}
