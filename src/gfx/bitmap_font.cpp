// Glyph drawing: upright text for the loading screen and rotated, masked
// glyphs for the greetings.
#include "gfx/bitmap_font.h"

#include <cstring>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"

BitmapFont::BitmapFont(const char* path, int cw, int ch, int sp, int first, int last)
    : cellWidth(cw), cellHeight(ch), spacing(sp), firstChar(first), lastChar(last), sheet(nullptr) {
    sheet = new Image(path);
}

BitmapFont::~BitmapFont() { delete sheet; }

int BitmapFont::glyphIndex(char ch) const {
    int c = static_cast<signed char>(ch);
    if (c > lastChar) c = 0;
    const int g = c - firstChar;
    return g < 0 ? 0 : g;
}

void BitmapFont::drawText(int x, int y, const char* text) const {
    uint16_t* back = Screen::instance()->backBuffer;
    const size_t length = strlen(text);
    int penX = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\n') {
            y += cellHeight + 1;
            penX = 0;
            continue;
        }
        const int g = glyphIndex(text[i]);
        if (g != 0 && cellWidth > 0) {
            const int cellX = (g % 16) * cellWidth, cellY = (g / 16) * cellHeight;
            for (int gx = 0; gx < cellWidth; gx++) {
                const int sx = cellX + gx, dx = x + penX + gx;
                if (sx >= sheet->width || dx < 0 || dx >= SCREEN_WIDTH) continue;
                for (int gy = 0; gy < cellHeight; gy++) {
                    const int sy = cellY + gy, dy = y + gy;
                    if (sy >= sheet->height || dy < 0 || dy >= SCREEN_HEIGHT) continue;
                    const uint16_t p = sheet->pixels[sy * sheet->width + sx];
                    if (p != COLOR_KEY) back[dy * SCREEN_WIDTH + dx] = p;
                }
            }
        }
        penX += cellWidth + spacing;
    }
}

void BitmapFont::drawRotatedGlyph(int x, int y, char ch, int angle, const GlyphMask& mask) const {
    if (ch == ' ') return;
    const int g = glyphIndex(ch);
    if (g == 0) return;
    uint16_t* back = Screen::instance()->backBuffer;
    const int cellX = (g % 16) * cellWidth, cellY = (g / 16) * cellHeight;
    const int32_t c = cosineTable[angle & 0xFFFF], s = sineTable[angle & 0xFFFF];
    for (int u = -5; u <= cellWidth + 4; u++) {
        const int sx = x + u;
        for (int v = -5; v <= cellHeight + 4; v++) {
            const int sy = y + v;
            const int U = (((u - 8) * c + (v - 8) * s) >> 16) + 8;
            const int V = (((v - 8) * c - (u - 8) * s) >> 16) + 8;
            if (U < 1 || V < 1 || U > 15 || V > 15) continue;
            const int index = (cellY + V) * ROTATED_SHEET_STRIDE + cellX + U;
            if (index < 0 || index >= sheet->pixelCount) continue;
            const uint16_t p = sheet->pixels[index];
            if (p == COLOR_KEY || sy > ROTATED_LAST_ROW || sy < 0) continue;
            const int64_t m = int64_t{sy} * mask.stride + (sx - mask.firstColumn);
            if (m < 0 || m >= mask.length || mask.elements[m] == 0) continue;
            if (sx < 0 || sx >= SCREEN_WIDTH) continue;
            back[sy * SCREEN_WIDTH + sx] = p;
        }
    }
}
