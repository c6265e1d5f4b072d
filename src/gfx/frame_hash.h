// The frame hash: FNV-1a 64 over a back buffer's bytes, shared by the tests and
// the offline renderer so recorded hashes mean the same thing everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/pixel.h"

constexpr uint64_t FNV1A64_OFFSET_BASIS = 0xcbf29ce484222325ull;
constexpr uint64_t FNV1A64_PRIME = 0x100000001b3ull;

// Continues an FNV-1a 64 hash over n bytes (start with FNV1A64_OFFSET_BASIS).
inline uint64_t fnv1a64(const void* data, size_t n, uint64_t hash = FNV1A64_OFFSET_BASIS) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; i++) {
        hash ^= p[i];
        hash *= FNV1A64_PRIME;
    }
    return hash;
}

// The hash of a 320 x 240 RGB565 frame taken as 153600 bytes, each pixel as a
// little-endian uint16 (low byte first), whatever the host's byte order.
inline uint64_t frameHash(const uint16_t* pixels) {
    uint64_t hash = FNV1A64_OFFSET_BASIS;
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        hash ^= static_cast<uint8_t>(pixels[i] & 0xFF);
        hash *= FNV1A64_PRIME;
        hash ^= static_cast<uint8_t>(pixels[i] >> 8);
        hash *= FNV1A64_PRIME;
    }
    return hash;
}
