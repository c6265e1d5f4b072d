// RGB565 pixel conventions and the two per-pixel helpers shared by the scenes.
#pragma once

#include <cstdint>

constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 240;
constexpr int SCREEN_PIXELS = SCREEN_WIDTH * SCREEN_HEIGHT;

// Pure magenta: glyph pixels of this value are transparent.
constexpr uint16_t COLOR_KEY = 0xF81F;

// 8-bit RGB to RGB565 by truncation (no rounding, no dithering).
constexpr uint16_t rgb565(unsigned r, unsigned g, unsigned b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// The 6-bit green field, used as opacity or intensity by companion pictures.
constexpr int green6(uint16_t p) { return (p & 0x7E0) >> 5; }

// Per field: (dst * (65536 - A) + src * A) >> 16, saturated; A in 0..65536.
inline uint16_t blend565(uint16_t dst, uint16_t src, uint32_t a) {
    if (a == 0) return dst;
    const uint32_t inv = 65536u - a;
    uint32_t r = ((dst >> 11) * inv + (src >> 11) * a) >> 16;
    uint32_t g = (((dst >> 5) & 0x3F) * inv + ((src >> 5) & 0x3F) * a) >> 16;
    uint32_t b = ((dst & 0x1F) * inv + (src & 0x1F) * a) >> 16;
    if (r > 31) r = 31;
    if (g > 63) g = 63;
    if (b > 31) b = 31;
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// blend565 for an opacity picture's weight A = a << 10, a in 0..63: per field
// (d x (64 - a) + s x a) >> 6, the same value exactly (the 16.16 product is
// this one times 1024) and never above the field's maximum, so there is no
// saturation. Every term fits in 16 bits, which lets the compiler run rows of
// these eight or more pixels at a time.
inline uint16_t blendSixtyFourths(uint16_t d, uint16_t s, uint16_t a) {
    const uint16_t ia = static_cast<uint16_t>(64 - a);
    const uint16_t r = static_cast<uint16_t>(((d >> 11) * ia + (s >> 11) * a) >> 6);
    const uint16_t g = static_cast<uint16_t>((((d >> 5) & 63) * ia + ((s >> 5) & 63) * a) >> 6);
    const uint16_t b = static_cast<uint16_t>(((d & 31) * ia + (s & 31) * a) >> 6);
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// Moves a pixel toward white by w sixty-fourths (w >= 0) on a six-bit scale.
// Every w >= 63 gives 0xFFFF, so w is capped there (no overflow for any int);
// a negative w is taken as 0 (the pixel unchanged) rather than darkening it.
inline uint16_t brighten565(uint16_t dst, int w) {
    if (w > 63) w = 63;
    if (w < 0) w = 0;
    int r6 = 2 * (dst >> 11) + w;
    int g6 = ((dst >> 5) & 0x3F) + w;
    int b6 = 2 * (dst & 0x1F) + w;
    if (r6 > 63) r6 = 63;
    if (g6 > 63) g6 = 63;
    if (b6 > 63) b6 = 63;
    return static_cast<uint16_t>(((r6 >> 1) << 11) | (g6 << 5) | (b6 >> 1));
}
