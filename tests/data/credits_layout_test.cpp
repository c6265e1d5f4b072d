// The generated credit bands: the second band slides left across the other
// two, so its words keep to its lower rows and the third band's to its upper
// rows; while the wobbles stay near their middle the words pass each other
// instead of crossing. No band's lettering is cut off by the band's edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "stb_image.h"

namespace {

const std::string OPACITY_PATH = std::string(AMBRELLE_DATA_DIR) + "/credits_opac.png";

// Picture rows of the three bands and the screen row each band's first row
// rests on, as the dragonfly scene draws them.
struct Band {
    int firstRow, endRow, restingY;
};
const Band BANDS[3] = {{0, 56, 20}, {66, 118, 90}, {126, 176, 40}};

// For each picture row, the strongest opacity (8-bit green) along it.
std::vector<int> rowOpacity() {
    int width = 0, height = 0;
    unsigned char* rgb = stbi_load(OPACITY_PATH.c_str(), &width, &height, nullptr, 3);
    std::vector<int> rows;
    if (!rgb) return rows;
    for (int y = 0; y < height; y++) {
        int strongest = 0;
        for (int x = 0; x < width; x++) strongest = std::max(strongest, static_cast<int>(rgb[(y * width + x) * 3 + 1]));
        rows.push_back(strongest);
    }
    stbi_image_free(rgb);
    return rows;
}

// First and last row of a band (band-relative) whose lettering is at least
// half opaque.
void letteredRows(const std::vector<int>& rows, const Band& b, int& first, int& last) {
    first = -1;
    last = -1;
    for (int y = b.firstRow; y < b.endRow; y++)
        if (rows[y] >= 128) {
            if (first < 0) first = y - b.firstRow;
            last = y - b.firstRow;
        }
}

TEST(CreditsLayout, SlidingBandPassesTheOthers) {
    const std::vector<int> rows = rowOpacity();
    ASSERT_GE(rows.size(), 176u) << OPACITY_PATH;
    int musicFirst, musicLast, graphicsFirst, graphicsLast;
    letteredRows(rows, BANDS[1], musicFirst, musicLast);
    letteredRows(rows, BANDS[2], graphicsFirst, graphicsLast);
    ASSERT_GE(musicFirst, 0);
    ASSERT_GE(graphicsFirst, 0);
    // With both bands within 10 rows of where they rest, GRAPHICS ends
    // above the row where MUSIC begins.
    const int graphicsLowest = BANDS[2].restingY + 10 + graphicsLast;
    const int musicHighest = BANDS[1].restingY - 10 + musicFirst;
    EXPECT_LT(graphicsLowest, musicHighest);
}

TEST(CreditsLayout, LetteringStaysInsideItsBand) {
    const std::vector<int> rows = rowOpacity();
    ASSERT_GE(rows.size(), 176u) << OPACITY_PATH;
    for (const Band& b : BANDS) {
        // At most the faint edge of a shadow or an outline reaches a band's
        // first or last row; the letters themselves stay clear of them.
        EXPECT_LT(rows[b.firstRow], 64) << "band from row " << b.firstRow;
        EXPECT_LT(rows[b.endRow - 1], 64) << "band from row " << b.firstRow;
        int first, last;
        letteredRows(rows, b, first, last);
        EXPECT_GT(first, 0) << "band from row " << b.firstRow;
        EXPECT_LT(last, b.endRow - b.firstRow - 1) << "band from row " << b.firstRow;
    }
}

}  // namespace
