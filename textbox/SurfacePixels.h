#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The front ends' surfaces draw into images of 32-bit pixels 0x00RRGGBB, the top byte
// an alpha at most, while the drawing calls take colours packed as red + 256 * green +
// 65536 * blue.
constexpr uint32_t pixelOfColour(int32_t colour) {
    const auto packed = static_cast<uint32_t>(colour);
    return (packed & 0xFFu) << 16 | (packed & 0xFF00u) | (packed >> 16 & 0xFFu);
}

// The top byte plays no part.
constexpr int32_t colourOfPixel(uint32_t pixel) {
    return static_cast<int32_t>((pixel >> 16 & 0xFFu) | (pixel & 0xFF00u) | (pixel & 0xFFu) << 16);
}

// Sets count pixels from pixels on to pixel. Clearing what the last frame drew is the
// largest part of drawing a frame, and a plain fill is compiled to one pixel a store:
// a pixel of four equal bytes (opaque white, say) is set by memset, several times
// quicker, and any other four pixels a store.
inline void fillPixelRun(uint32_t* pixels, size_t count, uint32_t pixel) {
    if (pixel == (pixel & 0xFFu) * 0x01010101u) {
        std::memset(pixels, static_cast<int>(pixel & 0xFFu), count * sizeof pixel);
        return;
    }
    using FourPixels = uint32_t __attribute__((vector_size(16)));
    const FourPixels four = {pixel, pixel, pixel, pixel};
    uint32_t* const end = pixels + count;
    for (; end - pixels >= 4; pixels += 4)
        std::memcpy(pixels, &four, sizeof four);
    for (; pixels != end; ++pixels)
        *pixels = pixel;
}
