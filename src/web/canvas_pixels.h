// RGB565 to the canvas's RGBA bytes: each channel widened by repeating its top
// bits (0x1F -> 0xFF, 0 -> 0), the usual exact expansion, alpha opaque.
#pragma once

#include <cstddef>
#include <cstdint>

// One pixel as the four bytes R, G, B, A in memory (a little-endian word).
inline uint32_t rgb565ToRgba(uint16_t p) {
    const uint32_t r5 = p >> 11, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
    const uint32_t r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), b = (b5 << 3) | (b5 >> 2);
    return r | (g << 8) | (b << 16) | 0xFF000000u;
}

inline void rgb565ToRgba(const uint16_t* src, uint32_t* dst, size_t count) {
    for (size_t i = 0; i < count; i++) dst[i] = rgb565ToRgba(src[i]);
}
