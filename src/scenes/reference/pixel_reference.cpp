// The shared pixel helpers written literally, one field at a time.
#include "scenes/reference/pixel_reference.h"

uint16_t blend565Reference(uint16_t dst, uint16_t src, uint32_t a) {
    if (a == 0) return dst;
    const uint32_t d = dst, s = src;
    const uint32_t fields[3][2] = {{d >> 11, s >> 11}, {(d >> 5) & 63, (s >> 5) & 63}, {d & 31, s & 31}};
    const uint32_t limit[3] = {31, 63, 31};
    uint32_t out[3];
    for (int f = 0; f < 3; f++) {
        const uint32_t c = fields[f][0] * (65536u - a) + fields[f][1] * a;
        out[f] = c >> 16 > limit[f] ? limit[f] : c >> 16;
    }
    return static_cast<uint16_t>((out[0] << 11) | (out[1] << 5) | out[2]);
}
