// The scene table: every part once, and the show's three orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "main/show.h"

namespace {
std::vector<std::string> namesBy(int ShowPart::*rank) {
    std::vector<const ShowPart*> parts;
    for (size_t i = 0; i < SHOW_PART_COUNT; i++) parts.push_back(&SHOW_PARTS[i]);
    std::sort(parts.begin(), parts.end(), [rank](const ShowPart* a, const ShowPart* b) { return a->*rank < b->*rank; });
    std::vector<std::string> names;
    for (const ShowPart* p : parts) names.push_back(p->name);
    return names;
}
}  // namespace

TEST(ShowTable, ConstructionOrder) {
    const std::vector<std::string> expected = {"sky picture", "feather",  "lighthouse", "transition", "cave",
                                               "dragonfly",   "backdrop", "rain",       "biplane"};
    EXPECT_EQ(namesBy(&ShowPart::loadRank), expected);
}

TEST(ShowTable, FrameOrderIsByMaskBitThenTheSkyThenTheTransition) {
    const std::vector<std::string> expected = {"lighthouse", "cave",    "dragonfly",   "feather",   "backdrop",
                                               "rain",       "biplane", "sky picture", "transition"};
    EXPECT_EQ(namesBy(&ShowPart::frameRank), expected);
}

TEST(ShowTable, DestructionOrder) {
    const std::vector<std::string> expected = {"feather", "lighthouse", "transition", "cave",       "dragonfly",
                                               "rain",    "biplane",    "backdrop",   "sky picture"};
    EXPECT_EQ(namesBy(&ShowPart::destroyRank), expected);
}

TEST(ShowTable, EachMaskBitHasOnePartAndEveryRankIsUsedOnce) {
    uint32_t bits = 0;
    for (size_t i = 0; i < SHOW_PART_COUNT; i++) {
        const ShowPart& p = SHOW_PARTS[i];
        EXPECT_EQ(p.maskBit & (p.maskBit - 1), 0u) << p.name;
        EXPECT_EQ(bits & p.maskBit, 0u) << p.name;
        bits |= p.maskBit;
        EXPECT_NE(p.load, nullptr);
        EXPECT_NE(p.render, nullptr);
        EXPECT_NE(p.destroy, nullptr);
    }
    EXPECT_EQ(bits, MASK_TRANSITION | MASK_LIGHTHOUSE | MASK_CAVE | MASK_DRAGONFLY | MASK_FEATHER | MASK_BACKDROP |
                        MASK_RAIN | MASK_BIPLANE | MASK_SKY_PICTURE);
    for (int ShowPart::*rank : {&ShowPart::loadRank, &ShowPart::frameRank, &ShowPart::destroyRank}) {
        std::vector<int> ranks;
        for (size_t i = 0; i < SHOW_PART_COUNT; i++) ranks.push_back(SHOW_PARTS[i].*rank);
        std::sort(ranks.begin(), ranks.end());
        for (size_t i = 0; i < ranks.size(); i++) EXPECT_EQ(ranks[i], static_cast<int>(i));
    }
}
