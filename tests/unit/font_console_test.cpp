// BitmapFont drawing and the loading screen's console.
#include <gtest/gtest.h>

#include <cstring>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "gfx/text_console.h"
#include "support/test_png.h"

namespace {
// A 128 x 45 sheet of 8 x 9 cells: each glyph is filled with a colour made
// from its character code, except a magenta (transparent) top-left pixel.
std::string writeLoadingSheet() {
    std::vector<unsigned char> rgb(128 * 45 * 3);
    for (int y = 0; y < 45; y++) {
        for (int x = 0; x < 128; x++) {
            unsigned char* p = &rgb[(y * 128 + x) * 3];
            const int code = 32 + (y / 9) * 16 + x / 8;
            if (x % 8 == 0 && y % 9 == 0) {
                p[0] = 255, p[1] = 0, p[2] = 255;
            } else {
                p[0] = static_cast<unsigned char>(code), p[1] = static_cast<unsigned char>(4 * (x % 8)),
                p[2] = static_cast<unsigned char>(8 * (y % 9));
            }
        }
    }
    const std::string path = makeTempDir() + "/font.png";
    writeTestPng(path, 128, 45, 3, rgb);
    return path;
}

uint16_t glyphPixel(int code, int gx, int gy) { return rgb565(code, 4 * gx, 8 * gy); }

struct FontTest : ::testing::Test {
    Screen* screen = Screen::instance();
    BitmapFont* font = nullptr;
    void SetUp() override {
        static const std::string sheet = writeLoadingSheet();
        font = new BitmapFont(sheet.c_str(), 8, 9, -1, 32, 102);
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0x1111;
    }
    void TearDown() override { delete font; }
    uint16_t at(int x, int y) const { return screen->backBuffer[y * SCREEN_WIDTH + x]; }
};
}  // namespace

TEST_F(FontTest, OneLetterStaysInItsCellAndSkipsTheKey) {
    font->drawText(5, 5, "A");
    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        for (int x = 0; x < SCREEN_WIDTH; x++) {
            const bool inCell = x >= 5 && x <= 12 && y >= 5 && y <= 13;
            if (!inCell || (x == 5 && y == 5)) {
                ASSERT_EQ(at(x, y), 0x1111) << x << "," << y;
            } else {
                ASSERT_EQ(at(x, y), glyphPixel('A', x - 5, y - 5)) << x << "," << y;
            }
        }
    }
}

TEST_F(FontTest, AdvanceNewlineAndBlankCharacters) {
    font->drawText(20, 30, "AB");
    EXPECT_EQ(at(20 + 7 + 1, 30), glyphPixel('B', 1, 0));  // second glyph 7 pixels on
    EXPECT_EQ(at(20 + 7, 30 + 1), glyphPixel('B', 0, 1));  // and it overdraws the first's last column
    font->drawText(100, 100, "A\nB");
    EXPECT_EQ(at(101, 110), glyphPixel('B', 1, 0));
    // g (103) is above the last character and the space is glyph 0: pen only.
    font->drawText(200, 200, "g A");
    EXPECT_EQ(at(201, 200), 0x1111);
    EXPECT_EQ(at(200 + 14 + 1, 200), glyphPixel('A', 1, 0));
    // Codes of 128 and above are negative as signed chars: blank.
    font->drawText(50, 50, "\xC1");
    EXPECT_EQ(at(51, 51), 0x1111);
}

TEST_F(FontTest, TextOutsideTheBufferIsClipped) {
    font->drawText(316, 236, "AAAA\nAAAA");
    font->drawText(-20, -6, "AAAAAAAA");
    EXPECT_EQ(at(319, 239), glyphPixel('A', 3, 3));
    EXPECT_EQ(at(0, 0), glyphPixel('A', 6, 6));  // from the glyph at x = -6
}

namespace {
// A 256 x 80 greetings-style sheet whose pixel values name their position.
std::string writeGreetSheet() {
    std::vector<unsigned char> rgb(256 * 80 * 3);
    const std::string path = makeTempDir() + "/greet.png";
    for (int y = 0; y < 80; y++)
        for (int x = 0; x < 256; x++) {
            unsigned char* p = &rgb[(y * 256 + x) * 3];
            p[0] = static_cast<unsigned char>(y << 3);         // red: row, 5 bits
            p[1] = static_cast<unsigned char>((x & 63) << 2);  // green: column within 64
            p[2] = static_cast<unsigned char>((x >> 6) << 3);  // blue: which 64-column block
        }
    writeTestPng(path, 256, 80, 3, rgb);
    return path;
}
int sampledColumn(uint16_t p) { return ((p & 0x1F) << 6) | ((p >> 5) & 63); }
int sampledRow(uint16_t p) { return p >> 11; }
}  // namespace

namespace {
// The greetings' layout: 128 elements per screen row from column 100.
GlyphMask waterfallMask(const std::vector<uint16_t>& mask) {
    return {mask.data(), static_cast<int32_t>(mask.size()), 128, 100};
}
}  // namespace

TEST(RotatedGlyph, UprightAndHalfTurnSampling) {
    buildTrigTables();
    Screen* screen = Screen::instance();
    static const std::string sheet = writeGreetSheet();
    BitmapFont font(sheet.c_str(), 16, 16, -1, 32, 102);
    std::vector<uint16_t> mask(128 * 240, 1);
    // 'A' is glyph 33: cell column 1, cell row 2 -> (16, 32). Only rows 0..29
    // of the sheet exist in red's 5 bits, so use a glyph in cell row 0: '!'.
    const int x = 150, y = 100;
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0xFFFF;
    font.drawRotatedGlyph(x, y, '!', 32768, waterfallMask(mask));
    // Offsets 0 and +1 from the cell point both sample column 8 of the cell.
    const uint16_t* back = screen->backBuffer;
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 8]), 16 + 8);
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 9]), 16 + 8);
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 10]), 16 + 9);
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 7]), 16 + 7);
    EXPECT_EQ(sampledRow(back[(y + 10) * 320 + x + 8]), 9);
    // Only the 15 x 15 square from (1, 1) is sampled: (0, v) never appears.
    for (int i = 0; i < SCREEN_PIXELS; i++)
        if (back[i] != 0xFFFF) {
            ASSERT_GE(sampledColumn(back[i]), 17);
        }

    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0xFFFF;
    font.drawRotatedGlyph(x, y, '!', 0, waterfallMask(mask));
    // Half a turn: the column to the right of the centre samples the left.
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 9]), 16 + 7);
    EXPECT_EQ(sampledColumn(back[(y + 8) * 320 + x + 7]), 16 + 8);
    EXPECT_EQ(sampledRow(back[(y + 9) * 320 + x + 8]), 7);
}

TEST(RotatedGlyph, MaskSpaceAndBottomRowsAreRespected) {
    buildTrigTables();
    Screen* screen = Screen::instance();
    static const std::string sheet = writeGreetSheet();
    BitmapFont font(sheet.c_str(), 16, 16, -1, 32, 102);
    std::vector<uint16_t> mask(128 * 240, 1);
    for (int row = 0; row < 240; row++)
        for (int c = 0; c < 64; c++) mask[row * 128 + c] = 0;  // columns 100..163 masked
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0xFFFF;
    font.drawRotatedGlyph(150, 230, '!', 32768, waterfallMask(mask));
    font.drawRotatedGlyph(170, 0, ' ', 32768, waterfallMask(mask));
    for (int yy = 0; yy < SCREEN_HEIGHT; yy++)
        for (int xx = 0; xx < SCREEN_WIDTH; xx++) {
            const bool written = screen->backBuffer[yy * 320 + xx] != 0xFFFF;
            if (xx < 164 || yy > 238 || yy < 200) {
                ASSERT_FALSE(written) << xx << "," << yy;
            }
        }
    EXPECT_NE(screen->backBuffer[238 * 320 + 165], 0xFFFF);
    // A glyph near the top reaches mask positions before the array: masked.
    font.drawRotatedGlyph(150, -3, '!', 12345, waterfallMask(mask));
}

namespace {
struct ConsoleTest : FontTest {
    TextConsole* console = nullptr;
    void SetUp() override {
        FontTest::SetUp();
        console = TextConsole::instance();
        console->setFont(font);
    }
    void TearDown() override {
        delete console;
        FontTest::TearDown();
    }
    std::string row(int r) const {
        std::string s;
        for (int c = 0; c < TextConsole::COLUMNS; c++) s += console->cells[r][c] ? char(console->cells[r][c]) : '.';
        return s;
    }
};
}  // namespace

TEST_F(ConsoleTest, StartsEmptyAndWrapsAtTheLastColumn) {
    EXPECT_EQ(console->cursorColumn, 0);
    EXPECT_EQ(console->cursorRow, 0);
    EXPECT_EQ(console->progressStep, 0);
    console->print("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?.");
    EXPECT_EQ(console->cursorColumn, 0);
    EXPECT_EQ(console->cursorRow, 1);
    EXPECT_EQ(row(0), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?.");
}

TEST_F(ConsoleTest, NewlineOnTheLastRowScrolls) {
    console->print("TOP\n");
    console->setCursor(3, 22);
    console->print("END\n");
    EXPECT_EQ(console->cursorColumn, 0);
    EXPECT_EQ(console->cursorRow, 22);
    EXPECT_EQ(row(0), std::string(39, '.'));  // "TOP" scrolled away
    EXPECT_EQ(row(21), "...END" + std::string(33, '.'));
    EXPECT_EQ(row(22), std::string(39, '.'));
}

TEST_F(ConsoleTest, CursorOutsideTheGridWritesNothing) {
    console->setCursor(50, 40);
    console->print("X");
    console->setCursor(-3, -2);
    console->print("Y");
    for (int r = 0; r < TextConsole::ROWS; r++) EXPECT_EQ(row(r), std::string(39, '.'));
}

TEST_F(ConsoleTest, LoadingBarFillsTwoCellsPerStep) {
    console->setCursor(5, 11);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console->setCursor(5, 11);
    console->render(true);
    const std::string empty = row(11);
    EXPECT_EQ(empty, ".....abbbbbbbbbbbbbbbbbbbbbbbbbbc......");
    console->advanceProgress();
    EXPECT_EQ(row(11), "....ffdbbbbbbbbbbbbbbbbbbbbbbbbbc......");
    for (int i = 1; i < 13; i++) console->advanceProgress();
    EXPECT_EQ(row(11), "....ffffffffffffffffffffffffffebc......");
    EXPECT_EQ(console->cursorColumn, 31);
    // The bar's pixels: each cell is drawn with its glyph at (5 + 8c, 115).
    EXPECT_EQ(at(5 + 8 * 4 + 1, 115), glyphPixel('f', 1, 0));
    EXPECT_EQ(at(5 + 8 * 30 + 2, 116), glyphPixel('e', 2, 1));
    EXPECT_EQ(at(5 + 8 * 32 + 7, 123), glyphPixel('c', 7, 8));
    EXPECT_EQ(at(5 + 8 * 32 + 8, 123), 0xFFFF);
    EXPECT_EQ(at(2, 2), 0xFFFF);
    for (int i = 13; i < 28; i++) console->advanceProgress();
    EXPECT_EQ(console->progressStep, 28);
    // The 28th step writes f as the head; the 29th changes and draws nothing.
    const std::string full = row(11) + row(12);
    memset(screen->backBuffer, 0, SCREEN_PIXELS * 2);
    console->advanceProgress();
    EXPECT_EQ(console->progressStep, 28);
    EXPECT_EQ(row(11) + row(12), full);
    EXPECT_EQ(at(5 + 8 * 4 + 1, 115), 0);
}

TEST_F(ConsoleTest, RenderWithoutClearKeepsTheBackground) {
    console->print("A");
    memset(screen->backBuffer, 0, SCREEN_PIXELS * 2);
    console->render(false);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(5, 5), 0);  // the glyph's keyed pixel
    EXPECT_EQ(at(6, 5), glyphPixel('A', 1, 0));
    console->render(true);
    EXPECT_EQ(at(0, 0), 0xFFFF);
    EXPECT_EQ(at(5, 5), 0xFFFF);
}
