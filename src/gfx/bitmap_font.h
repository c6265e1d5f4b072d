// BitmapFont: text drawn from a sheet of fixed-size glyph cells.
#pragma once

#include <cstdint>

class Image;

// Where drawRotatedGlyph may write: a picture laid over part of the screen,
// stride elements per screen row, the first element of each row standing for
// screen column firstColumn. A pixel is written only where its element is
// non-zero. Columns outside the mask's width are not checked (they read a
// neighbouring row's elements, as the show always has), but nothing outside
// the length elements is ever read: such positions count as masked.
struct GlyphMask {
    const uint16_t* elements;
    int32_t length;
    int32_t stride;
    int32_t firstColumn;
};

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
    // Rotated glyphs are made for 16 x 16 cells on a sheet read at this
    // stride, whatever its width; only the 15 x 15 square from (1, 1) of a
    // cell is sampled.
    static constexpr int ROTATED_SHEET_STRIDE = 256;
    // The last screen row a rotated glyph writes.
    static constexpr int ROTATED_LAST_ROW = 238;

    // One glyph rotated by a 16-bit angle about the cell point (8, 8), written
    // only where the mask lets it through.
    void drawRotatedGlyph(int x, int y, char ch, int angle, const GlyphMask& mask) const;

    // Glyph index of a character, 0 meaning blank.
    int glyphIndex(char ch) const;

    int32_t cellWidth;
    int32_t cellHeight;
    int32_t spacing;
    int32_t firstChar;
    int32_t lastChar;
    Image* sheet;  // owned
};
