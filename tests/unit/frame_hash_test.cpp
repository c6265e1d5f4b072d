// The shared frame hash: FNV-1a 64 reference values and the little-endian
// byte order of the frame.
#include "gfx/frame_hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(FrameHash, Fnv1a64ReferenceValues) {
    EXPECT_EQ(fnv1a64("", 0), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a", 1), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a64("foobar", 6), 0x85944171f73967e8ull);
    // Hashing in pieces gives the same as hashing at once.
    EXPECT_EQ(fnv1a64("bar", 3, fnv1a64("foo", 3)), 0x85944171f73967e8ull);
}

TEST(FrameHash, FrameIsHashedAsLittleEndianBytes) {
    std::vector<uint16_t> frame(SCREEN_PIXELS);
    for (int i = 0; i < SCREEN_PIXELS; i++) frame[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    std::vector<unsigned char> bytes(SCREEN_PIXELS * 2);
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        bytes[2 * i] = static_cast<unsigned char>(frame[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(frame[i] >> 8);
    }
    EXPECT_EQ(frameHash(frame.data()), fnv1a64(bytes.data(), bytes.size()));
}

TEST(FrameHash, WhiteFrameAndSingleChanges) {
    std::vector<uint16_t> frame(SCREEN_PIXELS, 0xFFFF);
    const std::vector<unsigned char> white(SCREEN_PIXELS * 2, 0xFF);
    const uint64_t whiteHash = frameHash(frame.data());
    EXPECT_EQ(whiteHash, fnv1a64(white.data(), white.size()));
    EXPECT_EQ(whiteHash, 0x8f68687253dc1b25ull);
    // The last pixel counts, and so does the order of a pixel's two bytes.
    frame[SCREEN_PIXELS - 1] = 0xFFFE;
    EXPECT_NE(frameHash(frame.data()), whiteHash);
    frame[SCREEN_PIXELS - 1] = 0xFFFF;
    frame[0] = 0x1234;
    const uint64_t a = frameHash(frame.data());
    frame[0] = 0x3412;
    EXPECT_NE(frameHash(frame.data()), a);
}
