// The show's generator against the C library it reproduces: on glibc every
// value must be the system rand()'s, unseeded and after any seed.
#include "engine/show_rand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// Nothing in the program calls the C library's rand() any more, and ctest runs
// every test in a process of its own, so the system generator is unseeded here.
TEST(ShowRand, FirstMillionValuesAreTheUnseededSystemRand) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the reference sequence is glibc's";
#else
    GlibcRandom generator;
    for (int i = 0; i < 1000000; i++) {
        const int expected = rand();
        const int got = generator.next();
        if (got != expected) {
            FAIL() << "value " << i << ": expected " << expected << ", got " << got;
        }
    }
#endif
}

TEST(ShowRand, EverySeedGivesTheSystemSequence) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the reference sequence is glibc's";
#else
    // 0 counts as 1; seeds from 2^31 up start from a negative signed word.
    const unsigned seeds[] = {0u,          1u,          2u,          77u,         127773u,
                              2147483646u, 2147483647u, 2147483648u, 3735928559u, 4294967295u};
    for (unsigned seed : seeds) {
        srand(seed);
        GlibcRandom generator(seed);
        for (int i = 0; i < 20000; i++) {
            const int expected = rand();
            const int got = generator.next();
            if (got != expected) {
                FAIL() << "seed " << seed << ", value " << i << ": expected " << expected << ", got " << got;
            }
        }
    }
#endif
}

// The sequence the golden frames were recorded with, checked on any C library.
TEST(ShowRand, StartsWithGlibcsFirstValues) {
    GlibcRandom generator;
    EXPECT_EQ(generator.next(), 1804289383);
    EXPECT_EQ(generator.next(), 846930886);
    EXPECT_EQ(generator.next(), 1681692777);
    EXPECT_EQ(generator.next(), 1714636915);
}

TEST(ShowRand, ProcessWideGeneratorRestartsOnEachSeed) {
    showSrand(1);
    std::vector<int> first(500);
    for (int& v : first) v = showRand();
    GlibcRandom reference;
    for (int i = 0; i < 500; i++) EXPECT_EQ(first[i], reference.next()) << i;
    showSrand(0);  // the same state as seed 1
    for (int i = 0; i < 500; i++) ASSERT_EQ(showRand(), first[i]) << i;
    showSrand(2);
    EXPECT_NE(showRand(), first[0]);
}

TEST(ShowRand, ReseedingAGeneratorForgetsItsPast) {
    GlibcRandom a(12345), b(99);
    for (int i = 0; i < 1000; i++) b.next();
    b.seed(12345);
    for (int i = 0; i < 1000; i++) ASSERT_EQ(a.next(), b.next()) << i;
}

}  // namespace
