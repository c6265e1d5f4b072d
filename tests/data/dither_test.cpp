// The generator's colour storage: every stored byte is an exact RGB565 level,
// a flat colour between two levels dithers to its exact mean over the 64 x 64
// threshold map, sparse levels come out evenly spread (no clumps, no grid),
// and the nearest storage rounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "datagen/datagen.h"

namespace {

const int SIZE = 64;

// A byte the engine's truncation to 5 or 6 bits keeps unchanged when it is
// expanded back the way the generator stores it.
bool isExactLevel(int byte, int bits) {
    const int level = byte >> (8 - bits);
    return byte == ((level << (8 - bits)) | (level >> (2 * bits - 8)));
}

// The pixels of a 64 x 64 picture of one flat colour whose green lies
// `fraction` of the way from green level 20 to level 21.
std::vector<bool> upperGreen(double fraction) {
    Picture p(SIZE, SIZE);
    const double green = (20 + fraction) * 255.0 / 63;
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) p.setDithered(x, y, 100, green, 100);
    std::vector<bool> upper;
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const int level = p.at(x, y)[1] >> 2;
            EXPECT_TRUE(level == 20 || level == 21) << x << "," << y;
            upper.push_back(level == 21);
        }
    return upper;
}

TEST(Dither, StoresExactLevels) {
    Picture p(SIZE, SIZE);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) p.setDithered(x, y, x * 4.03, y * 3.99, (x + y) * 2.01);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const uint8_t* c = p.at(x, y);
            ASSERT_TRUE(isExactLevel(c[0], 5) && isExactLevel(c[1], 6) && isExactLevel(c[2], 5)) << x << "," << y;
        }
    // Black and white stay black and white everywhere.
    p.setDithered(0, 0, 0, 0, 0);
    p.setDithered(1, 0, 255, 255, 255);
    EXPECT_EQ(p.at(0, 0)[0] + p.at(0, 0)[1] + p.at(0, 0)[2], 0);
    EXPECT_EQ(p.at(1, 0)[0] + p.at(1, 0)[1] + p.at(1, 0)[2], 3 * 255);
}

TEST(Dither, FlatColourKeepsItsMean) {
    // Each threshold is used once in the map, so k / 4096 of the way up
    // sets exactly k pixels to the upper level.
    for (int k : {0, 1, 256, 1024, 2048, 3000, 4095}) {
        const std::vector<bool> upper = upperGreen((k + 0.25) / 4096.0);
        int count = 0;
        for (bool u : upper) count += u;
        EXPECT_EQ(count, k);
    }
}

TEST(Dither, SparseLevelsAreEvenlySpread) {
    // One pixel in sixteen on the upper level: no two of them touch, also
    // across the map's wrap, and the pattern does not repeat within the map.
    const std::vector<bool> upper = upperGreen(256.25 / 4096.0);
    auto at = [&upper](int x, int y) { return upper[((y + SIZE) % SIZE) * SIZE + (x + SIZE) % SIZE]; };
    int touching = 0, repeats = 0, set = 0;
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            if (!at(x, y)) continue;
            set++;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) touching += (dx || dy) && at(x + dx, y + dy);
            repeats += at(x + 4, y) && at(x, y + 4);
        }
    EXPECT_EQ(set, 256);
    EXPECT_EQ(touching, 0);
    // A 4 x 4 ordered dither would repeat at every one of its pixels.
    EXPECT_LT(repeats, set / 4);
}

TEST(Dither, NearestRoundsToTheCloserLevel) {
    Picture p(2, 1);
    p.setNearest(0, 0, (12 + 0.4) * 255 / 31, (40 + 0.6) * 255 / 63, 255);
    p.setNearest(1, 0, -5, 300, (7 + 0.5001) * 255 / 31);
    EXPECT_EQ(p.at(0, 0)[0] >> 3, 12);
    EXPECT_EQ(p.at(0, 0)[1] >> 2, 41);
    EXPECT_EQ(p.at(0, 0)[2], 255);
    EXPECT_EQ(p.at(1, 0)[0], 0);
    EXPECT_EQ(p.at(1, 0)[1], 255);
    EXPECT_EQ(p.at(1, 0)[2] >> 3, 8);
}

}  // namespace
