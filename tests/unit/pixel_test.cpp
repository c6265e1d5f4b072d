// The shared per-pixel helpers: blend565 and brighten565, exact to their
// definitions, and the 16-bit forms the fast scene paths rely on.
#include "gfx/pixel.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
uint16_t pack(unsigned r, unsigned g, unsigned b) { return static_cast<uint16_t>((r << 11) | (g << 5) | b); }
}  // namespace

TEST(Blend565, ZeroWeightReturnsTheDestinationUnchanged) {
    for (uint32_t d : {0x0000u, 0xFFFFu, 0x1234u, 0xF81Fu}) EXPECT_EQ(blend565(d, 0xABCD, 0), d);
}

TEST(Blend565, FieldsMixSeparatelyAndTruncate) {
    // Half way: red (0 + 31) / 2 = 15, green (63 + 0) / 2 = 31, blue (10 + 21) / 2 = 15.
    EXPECT_EQ(blend565(pack(0, 63, 10), pack(31, 0, 21), 32768), pack(15, 31, 15));
    // Full weight gives the source exactly.
    EXPECT_EQ(blend565(0x1234, 0xFEDC, 65536), 0xFEDC);
    // Opacity 63 as a weight is 64512, not 1.0: white over black is 0xF7DE.
    EXPECT_EQ(blend565(0x0000, 0xFFFF, 63 << 10), pack(30, 62, 30));
    // One step of weight is not enough to move a field.
    EXPECT_EQ(blend565(0x0000, 0xFFFF, 1), 0x0000);
}

TEST(Blend565, SixtyFourthWeightsEqualTheSixBitFormula) {
    // For A = a << 10 each field is (d x (64 - a) + s x a) >> 6 exactly, which
    // the scenes compute in 16-bit lanes. Every field value and every a.
    for (unsigned a = 0; a <= 63; a++)
        for (unsigned d = 0; d <= 63; d++)
            for (unsigned s = 0; s <= 63; s++) {
                const unsigned g = (d * (64 - a) + s * a) >> 6;
                ASSERT_EQ(green6(blend565(static_cast<uint16_t>(d << 5), static_cast<uint16_t>(s << 5), a << 10)), g)
                    << a << " " << d << " " << s;
                if (d < 32 && s < 32) {
                    ASSERT_EQ(blend565(static_cast<uint16_t>(d), static_cast<uint16_t>(s), a << 10) & 0x1F, g);
                }
            }
}

TEST(Brighten565, SaturatesEachChannelOnASixBitScale) {
    // The transition's worked pixel: black with w = 27 gives red 13, green 27, blue 13.
    EXPECT_EQ(brighten565(0x0000, 27), 0x6B6D);
    EXPECT_EQ(brighten565(0x0000, 0), 0x0000);
    // 0xFFFE (blue 30) needs two sixty-fourths to reach white.
    EXPECT_EQ(brighten565(0xFFFE, 1), 0xFFFE);
    EXPECT_EQ(brighten565(0xFFFE, 2), 0xFFFF);
    // Red and blue are doubled, brightened, halved: an odd w is lost on them.
    EXPECT_EQ(brighten565(pack(10, 10, 10), 1), pack(10, 11, 10));
    EXPECT_EQ(brighten565(pack(10, 10, 10), 2), pack(11, 12, 11));
}

TEST(Brighten565, WhiteIsAFixedPointAndLargeAmountsGiveWhite) {
    for (int w : {0, 1, 17, 63, 64, 1000, INT_MAX}) EXPECT_EQ(brighten565(0xFFFF, w), 0xFFFF) << w;
    for (uint32_t d = 0; d <= 0xFFFF; d++) {
        ASSERT_EQ(brighten565(static_cast<uint16_t>(d), 63), 0xFFFF) << d;
        ASSERT_EQ(brighten565(static_cast<uint16_t>(d), INT_MAX), 0xFFFF) << d;
        ASSERT_EQ(brighten565(static_cast<uint16_t>(d), 0), d) << d;
    }
}

TEST(Brighten565, NegativeAmountLeavesThePixel) { EXPECT_EQ(brighten565(0x1234, -5), 0x1234); }
