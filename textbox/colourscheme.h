#pragma once

#include <cstdint>

// The colours a frame is drawn in, packed as the surface's are: red + 256 * green +
// 65536 * blue. The light scheme is the design's drawing exactly; the others come from the
// system's colours, for dark and high-contrast schemes, where the design's black cursor
// would vanish and its pale tints glare.
struct ColourScheme {
    int32_t window = 0; // behind the text
    int32_t text = 0;
    int32_t selection = 0;
    int32_t selectedText = 0;
    int32_t cursor = 0;
    // The empty cells before a tab, by the parity of their index, outside and inside the
    // selection.
    int32_t tintOdd = 0, tintEven = 0;
    int32_t selectedTintOdd = 0, selectedTintEven = 0;
    bool operator==(const ColourScheme&) const = default;
};

// The system's colours as a front end reads them.
struct SystemColours {
    int32_t window = 0;
    int32_t text = 0;
    int32_t highlight = 0;
    int32_t highlightedText = 0;
    bool highContrast = false; // a high-contrast scheme is in force
    bool darkApps = false;     // the system asks programs for a dark theme
};

constexpr int32_t packedColour(int32_t red, int32_t green, int32_t blue) {
    return red + 256 * green + 65536 * blue;
}

// White behind black text, the cells tinted pale cyan, a black cursor.
ColourScheme lightScheme();
// Ours, for a dark theme of the system's without high contrast.
ColourScheme darkScheme();
// From four colours of a scheme: the cursor in the text's colour, each pair of tints a few
// percent from its background towards its text's colour, told apart from each other and
// from their background, with the text at a contrast of 4.5:1 or more against both (or
// the most a background that dim allows: then they lean away from the text instead).
ColourScheme schemeFrom(int32_t window, int32_t text, int32_t selection, int32_t selectedText);
// What a frame is drawn with: the light scheme on the default white window, ours where
// the system asks for a dark theme, the system's own otherwise, and always in high contrast.
ColourScheme schemeFor(const SystemColours& system);

// WCAG 2's contrast ratio of two colours: (L1 + 0.05) / (L2 + 0.05) of their relative
// luminances, the lighter first; from 1 to 21.
double contrastRatio(int32_t a, int32_t b);
