// BitmapFont: text drawn from a sheet of fixed-size glyph cells.
#pragma once

#include <cstdint>

class Image;

class BitmapFont {
public:
    // Loads the sheet (16 cells per row, filled left to right, top to bottom).
    BitmapFont(const char* path, int cellWidth, int cellHeight, int spacing, int firstChar, int lastChar);
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // Draws text with its first cell's top-left pixel at (x, y). COLOR_KEY
    // pixels are transparent. Cells that would fall outside the back buffer,
    // or outside the sheet, are skipped pixel by pixel.
    void drawText(int x, int y, const char* text) const;
    // One glyph rotated by a 16-bit angle about the cell point (8, 8), written
    // only where mask[sy * 128 + (sx - 100)] is non-zero. maskLength bounds the
    // mask: positions outside it count as masked.
    void drawRotatedGlyph(int x, int y, char ch, int angle, const uint16_t* mask, int maskLength) const;

    // Glyph index of a character, 0 meaning blank.
    int glyphIndex(char ch) const;

    int32_t cellWidth;
    int32_t cellHeight;
    int32_t spacing;
    int32_t firstChar;
    int32_t lastChar;
    Image* sheet;  // owned
};
