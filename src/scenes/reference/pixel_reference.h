// Plain versions of the shared pixel helpers, for checking the fast ones.
#pragma once

#include <cstdint>

// blend565 exactly as defined: per field c = dst x (65536 - A) + src x A in
// 32 bits, c >> 16 saturated to the field's maximum; A = 0 returns dst.
uint16_t blend565Reference(uint16_t dst, uint16_t src, uint32_t a);
