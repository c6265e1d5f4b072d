// 16.16 fixed-point arithmetic shared by the 3D engine and the 2D effects.
#pragma once

#include <cstdint>

// A signed 16.16 value: 0x10000 is 1.0. Sums of products wrap in 32 bits.
using Fixed = int32_t;

constexpr Fixed FIXED_ONE = 0x10000;

// Wrapping 32-bit addition and subtraction: the engine relies on two's
// complement wrap-around, which plain int32 arithmetic would make undefined.
inline Fixed fixedAdd(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline Fixed fixedSub(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// The signed 64-bit product shifted right arithmetically by 16 (rounds toward
// minus infinity, so fixedMul(-1, 1) is -1), keeping the low 32 bits.
inline Fixed fixedMul(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(static_cast<uint64_t>((static_cast<int64_t>(a) * b) >> 16)));
}
