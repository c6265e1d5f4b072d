// The generated loading font: glyph colours against the colour key, letter
// spacing, and a progress bar that reads as one bar filling left to right
// both as the console draws it and as drawn text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/screen.h"
#include "gfx/bitmap_font.h"
#include "gfx/pixel.h"
#include "gfx/text_console.h"
#include "stb_image.h"

namespace {

const std::string FONT_PATH = std::string(AMBRELLE_DATA_DIR) + "/font.png";

struct RawSheet {
    int width = 0, height = 0;
    unsigned char* rgb = nullptr;
    RawSheet() { rgb = stbi_load(FONT_PATH.c_str(), &width, &height, nullptr, 3); }
    ~RawSheet() { stbi_image_free(rgb); }
    const unsigned char* at(int x, int y) const { return rgb + (static_cast<size_t>(y) * width + x) * 3; }
};

bool isKey(const unsigned char* p) { return p[0] == 255 && p[1] == 0 && p[2] == 255; }

// Glyph code's cell origin in the sheet.
int cellX(int code) { return ((code - 32) % 16) * 8; }
int cellY(int code) { return ((code - 32) / 16) * 9; }

uint16_t backAt(int x, int y) { return Screen::instance()->backBuffer[y * SCREEN_WIDTH + x]; }

// Amber fill versus the pale groove, on a bar's middle row.
bool isFill(uint16_t p) {
    const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    return r >= 24 && 2 * b < r && g < 2 * r;
}

// The start-up sequence of the loading screen: the empty bar at column 5 of
// row 11, then `steps` loading steps.
void loadingScreen(BitmapFont& font, int steps) {
    TextConsole* console = TextConsole::instance();
    memset(console->cells, 0, sizeof(console->cells));
    console->progressStep = 0;
    console->setFont(&font);
    console->setCursor(5, 11);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console->setCursor(5, 11);
    console->render(true);
    for (int i = 0; i < steps; i++) console->advanceProgress();
}

}  // namespace

TEST(LoadingFont, SheetHoldsEveryCodeWithKeySafeColours) {
    RawSheet sheet;
    ASSERT_NE(sheet.rgb, nullptr) << FONT_PATH;
    ASSERT_EQ(sheet.width, 128);
    ASSERT_EQ(sheet.height, 45);
    for (int y = 0; y < sheet.height; y++) {
        for (int x = 0; x < sheet.width; x++) {
            const unsigned char* p = sheet.at(x, y);
            // A glyph colour that truncates to the key would vanish.
            const bool nearKey = p[0] >= 248 && p[1] <= 3 && p[2] >= 248;
            EXPECT_TRUE(!nearKey || isKey(p)) << x << "," << y;
        }
    }
    for (int code = 33; code <= 102; code++) {
        int inked = 0;
        for (int y = 0; y < 9; y++)
            for (int x = 0; x < 8; x++) inked += !isKey(sheet.at(cellX(code) + x, cellY(code) + y));
        EXPECT_GT(inked, 0) << "code " << code << " has no glyph";
    }
    for (int y = 0; y < 9; y++)
        for (int x = 0; x < 8; x++) EXPECT_TRUE(isKey(sheet.at(x, y))) << "the space must be blank";
}

TEST(LoadingFont, LettersLeaveAGapAtTheSevenPixelAdvance) {
    RawSheet sheet;
    ASSERT_NE(sheet.rgb, nullptr);
    // Columns 6 and 7 of every letter stay clear, so neighbours never touch.
    for (int code = 33; code <= 96; code++)
        for (int y = 0; y < 9; y++)
            for (int x = 6; x < 8; x++)
                EXPECT_TRUE(isKey(sheet.at(cellX(code) + x, cellY(code) + y))) << "code " << code;
}

TEST(LoadingFont, BarPiecesAreUniformWhereTheyJoin) {
    RawSheet sheet;
    ASSERT_NE(sheet.rgb, nullptr);
    // The joining edges of b, d, e and f must match whatever stands next to
    // them, at both cell pitches: b and f are the same in every column, the
    // caps and the head meet them with matching columns.
    auto column = [&](int code, int x) {
        std::string c;
        for (int y = 0; y < 9; y++)
            c.append(reinterpret_cast<const char*>(sheet.at(cellX(code) + x, cellY(code) + y)), 3);
        return c;
    };
    for (int x = 1; x < 8; x++) {
        EXPECT_EQ(column('b', x), column('b', 0)) << x;
        EXPECT_EQ(column('f', x), column('f', 0)) << x;
    }
    EXPECT_EQ(column('a', 7), column('b', 0));
    EXPECT_EQ(column('c', 0), column('b', 7));
    EXPECT_EQ(column('d', 0), column('f', 7));
    EXPECT_EQ(column('e', 0), column('f', 7));
    EXPECT_EQ(column('e', 7), column('b', 0));
    EXPECT_EQ(column('d', 7), column('b', 0));
}

TEST(LoadingFont, ConsoleBarFillsLeftToRightWithoutGaps) {
    Screen::instance();
    BitmapFont font(FONT_PATH.c_str(), 8, 9, -1, 32, 102);
    const int barTop = 5 + 10 * 11, middle = barTop + 4;
    int previousEnd = 0;
    for (int steps = 0; steps <= 13; steps++) {
        loadingScreen(font, steps);
        // The rim runs unbroken along the top and bottom rows of the track,
        // from the first drawn column to the end of the right cap's rim.
        const int left = steps == 0 ? 5 + 8 * 5 + 1 : 5 + 8 * 4;
        for (int x = left; x <= 5 + 8 * 32 + 6; x++) {
            EXPECT_NE(backAt(x, barTop + 1), 0xFFFF) << "step " << steps << " x " << x;
            EXPECT_NE(backAt(x, barTop + 7), 0xFFFF) << "step " << steps << " x " << x;
        }
        // On the middle row: fill from the left end, then only groove.
        int end = left;
        while (end < 320 && isFill(backAt(end, middle))) end++;
        for (int x = end; x <= 5 + 8 * 32 + 6; x++) EXPECT_FALSE(isFill(backAt(x, middle))) << steps << " " << x;
        if (steps == 0) {
            EXPECT_EQ(end, left);
        } else {
            // The head stands in column 2k + 6 after step k, filled through its
            // sixth pixel column: two cells (16 pixels) more per step.
            EXPECT_EQ(end, 5 + 8 * (2 * steps + 4) + 6) << steps;
            if (steps > 1) {
                EXPECT_EQ(end - previousEnd, 16) << steps;
            }
        }
        previousEnd = end;
    }
    delete TextConsole::instance();
}

TEST(LoadingFont, BarDrawnAsTextJoinsAtTheAdvance) {
    Screen::instance();
    BitmapFont font(FONT_PATH.c_str(), 8, 9, -1, 32, 102);
    memset(Screen::instance()->backBuffer, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
    font.drawText(10, 20, "afffffebbbbc");
    // Glyph i starts at 10 + 7i; each covers the last column of the one before.
    const int right = 10 + 7 * 11 + 6, fillFirst = 10 + 7, fillLast = 10 + 7 * 6 + 5;
    for (int x = 11; x <= right; x++) {
        EXPECT_NE(backAt(x, 21), 0xFFFF) << x;
        EXPECT_NE(backAt(x, 27), 0xFFFF) << x;
        EXPECT_EQ(isFill(backAt(x, 24)), x >= fillFirst && x <= fillLast) << x;
    }
}
