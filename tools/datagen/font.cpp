// font.png: the loading screen's 8 x 9 pixel font and its progress-bar pieces.

#include "datagen.h"
#include "makers.h"

namespace {

const int CELL_W = 8;
const int CELL_H = 9;
const int FIRST_CHAR = 32;
const int LAST_CHAR = 102;

// Glyph bitmaps for codes 32..96, five columns by eight rows ('#' = ink). The
// capitals stand on rows 0..6; row 7 holds only descenders (comma, semicolon,
// underscore). The cell's columns 5..7 and row 8 stay free for the soft shadow
// and the gap to the next letter (text advances 7 pixels).
const char* const GLYPHS[] = {
    // 32 space
    "..... ..... ..... ..... ..... ..... ..... .....",
    // ! " # $ % & ' ( ) * + , - . /
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.. .....",
    ".#.#. .#.#. .#.#. ..... ..... ..... ..... .....",
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#. .....",
    "..#.. .#### #.#.. .###. ..#.# ####. ..#.. .....",
    "##... ##..# ...#. ..#.. .#... #..## ...## .....",
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.# .....",
    "..#.. ..#.. .#... ..... ..... ..... ..... .....",
    "...#. ..#.. .#... .#... .#... ..#.. ...#. .....",
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#... .....",
    "..... ..#.. #.#.# .###. #.#.# ..#.. ..... .....",
    "..... ..#.. ..#.. ##### ..#.. ..#.. ..... .....",
    "..... ..... ..... ..... ..... ..#.. ..#.. .#...",
    "..... ..... ..... ##### ..... ..... ..... .....",
    "..... ..... ..... ..... ..... ..... ..#.. .....",
    "....# ....# ...#. ..#.. .#... #.... #.... .....",
    // 0..9
    ".###. #...# #..## #.#.# ##..# #...# .###. .....",
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###. .....",
    ".###. #...# ....# ...#. ..#.. .#... ##### .....",
    ".###. #...# ....# ..##. ....# #...# .###. .....",
    "...#. ..##. .#.#. #..#. ##### ...#. ...#. .....",
    "##### #.... ####. ....# ....# #...# .###. .....",
    "..##. .#... #.... ####. #...# #...# .###. .....",
    "##### ....# ...#. ..#.. .#... .#... .#... .....",
    ".###. #...# #...# .###. #...# #...# .###. .....",
    ".###. #...# #...# .#### ....# ...#. .##.. .....",
    // : ; < = > ? @
    "..... ..#.. ..... ..... ..... ..#.. ..... .....",
    "..... ..#.. ..... ..... ..... ..#.. ..#.. .#...",
    "...#. ..#.. .#... #.... .#... ..#.. ...#. .....",
    "..... ..... ##### ..... ##### ..... ..... .....",
    ".#... ..#.. ...#. ....# ...#. ..#.. .#... .....",
    ".###. #...# ....# ...#. ..#.. ..... ..#.. .....",
    ".###. #...# #.### #.#.# #.### #.... .###. .....",
    // A..Z
    ".###. #...# #...# ##### #...# #...# #...# .....",
    "####. #...# #...# ####. #...# #...# ####. .....",
    ".###. #...# #.... #.... #.... #...# .###. .....",
    "####. #...# #...# #...# #...# #...# ####. .....",
    "##### #.... #.... ####. #.... #.... ##### .....",
    "##### #.... #.... ####. #.... #.... #.... .....",
    ".###. #...# #.... #.### #...# #...# .#### .....",
    "#...# #...# #...# ##### #...# #...# #...# .....",
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###. .....",
    "..### ...#. ...#. ...#. ...#. #..#. .##.. .....",
    "#...# #..#. #.#.. ##... #.#.. #..#. #...# .....",
    "#.... #.... #.... #.... #.... #.... ##### .....",
    "#...# ##.## #.#.# #.#.# #...# #...# #...# .....",
    "#...# #...# ##..# #.#.# #..## #...# #...# .....",
    ".###. #...# #...# #...# #...# #...# .###. .....",
    "####. #...# #...# ####. #.... #.... #.... .....",
    ".###. #...# #...# #...# #.#.# #..#. .##.# .....",
    "####. #...# #...# ####. #.#.. #..#. #...# .....",
    ".###. #...# #.... .###. ....# #...# .###. .....",
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. .....",
    "#...# #...# #...# #...# #...# #...# .###. .....",
    "#...# #...# #...# #...# .#.#. .#.#. ..#.. .....",
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#. .....",
    "#...# #...# .#.#. ..#.. .#.#. #...# #...# .....",
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.. .....",
    "##### ....# ...#. ..#.. .#... #.... ##### .....",
    // [ \ ] ^ _ `
    ".###. .#... .#... .#... .#... .#... .###. .....",
    "#.... #.... .#... ..#.. ...#. ....# ....# .....",
    ".###. ...#. ...#. ...#. ...#. ...#. .###. .....",
    "..#.. .#.#. #...# ..... ..... ..... ..... .....",
    "..... ..... ..... ..... ..... ..... ..... #####",
    ".#... ..#.. ..... ..... ..... ..... ..... .....",
};
const int GLYPH_COUNT = sizeof(GLYPHS) / sizeof(GLYPHS[0]);
static_assert(sizeof(GLYPHS) / sizeof(GLYPHS[0]) == 'a' - FIRST_CHAR, "one bitmap per code up to the backtick");

struct Rgb {
    int r, g, b;
};

// Ink, the softened corner pixels and the shadow; all are read against the
// white loading screen and stay well away from the colour key.
const Rgb INK = {38, 42, 72};
const Rgb INK_SOFT = {168, 170, 194};
const Rgb SHADOW = {214, 210, 228};
const Rgb KEY = {255, 0, 255};

bool ink(const char* glyph, int x, int y) {
    if (x < 0 || x > 4 || y < 0 || y > 7) return false;
    return glyph[y * 6 + x] == '#';
}

void put(Picture& sheet, int x, int y, Rgb c) { sheet.set(x, y, c.r, c.g, c.b); }

// One letter: ink, a softened pixel in the outer corner of every bend and
// diagonal (so curves and slants read round rather than stepped), and a
// light shadow one pixel down and right.
void drawGlyph(Picture& sheet, int cellX, int cellY, const char* glyph) {
    for (int y = 0; y < CELL_H; y++) {
        for (int x = 0; x < CELL_W; x++) {
            if (ink(glyph, x, y)) {
                put(sheet, cellX + x, cellY + y, INK);
                continue;
            }
            bool soft = false;
            const int dirs[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
            for (const auto& d : dirs) {
                if (ink(glyph, x + d[0], y) && ink(glyph, x, y + d[1]) && !ink(glyph, x + d[0], y + d[1])) soft = true;
            }
            if (soft)
                put(sheet, cellX + x, cellY + y, INK_SOFT);
            else if (ink(glyph, x - 1, y - 1))
                put(sheet, cellX + x, cellY + y, SHADOW);
        }
    }
}

// The progress bar: a track seven pixels tall (rows 1..7) with a dark rim,
// a pale groove when empty and a warm amber fill. Every piece is uniform
// along x away from its ends, so neighbours join seamlessly both at the
// console's 8-pixel cell pitch and at the 7-pixel text advance.
const Rgb RIM = {58, 54, 86};
const Rgb GROOVE[5] = {{196, 194, 212}, {226, 224, 236}, {238, 236, 246}, {242, 240, 248}, {236, 234, 244}};
const Rgb FILL[5] = {{255, 226, 160}, {252, 196, 96}, {242, 164, 62}, {226, 132, 46}, {196, 100, 40}};
const Rgb HEAD[5] = {{255, 244, 206}, {255, 220, 140}, {252, 190, 96}, {240, 158, 70}, {210, 120, 52}};

Rgb mix(Rgb a, Rgb b, double t) {
    return {static_cast<int>(a.r + (b.r - a.r) * t + 0.5), static_cast<int>(a.g + (b.g - a.g) * t + 0.5),
            static_cast<int>(a.b + (b.b - a.b) * t + 0.5)};
}

enum class Interior { Groove, Fill, Head };

// Column x of a bar piece: the rim on rows 1 and 7 and the interior between.
void barColumn(Picture& sheet, int px, int py, Interior interior, int x) {
    put(sheet, px, py + 1, RIM);
    put(sheet, px, py + 7, RIM);
    for (int i = 0; i < 5; i++) {
        Rgb c = GROOVE[i];
        if (interior == Interior::Fill) c = FILL[i];
        if (interior == Interior::Head) {
            // The fill's leading edge: a brighter band on columns 4 and 5,
            // an anti-aliased step on column 6, the groove from column 7.
            if (x <= 3)
                c = FILL[i];
            else if (x <= 5)
                c = HEAD[i];
            else if (x == 6)
                c = mix(HEAD[i], GROOVE[i], 0.55);
        }
        put(sheet, px, py + 2 + i, c);
    }
}

// Rounded end caps: the rim turns down on the outer column, the corners are
// blended with the white ground.
void barCap(Picture& sheet, int px, int py) {
    const Rgb white = {255, 255, 255};
    put(sheet, px, py + 2, mix(RIM, white, 0.45));
    for (int i = 1; i < 4; i++) put(sheet, px, py + 2 + i, RIM);
    put(sheet, px, py + 6, mix(RIM, white, 0.45));
}

void drawBarPiece(Picture& sheet, int cellX, int cellY, char piece) {
    for (int x = 0; x < CELL_W; x++) {
        Interior interior = Interior::Groove;
        if (piece == 'f') interior = Interior::Fill;
        if (piece == 'd' || piece == 'e') interior = Interior::Head;
        barColumn(sheet, cellX + x, cellY, interior, x);
    }
    if (piece == 'a') {
        for (int y = 1; y <= 7; y++) put(sheet, cellX, cellY + y, KEY);
        barCap(sheet, cellX, cellY);
        put(sheet, cellX + 1, cellY + 2, mix(GROOVE[0], RIM, 0.5));
    }
    if (piece == 'c') {
        for (int y = 1; y <= 7; y++) put(sheet, cellX + 7, cellY + y, KEY);
        barCap(sheet, cellX + 7, cellY);
        put(sheet, cellX + 6, cellY + 2, mix(GROOVE[0], RIM, 0.5));
    }
}

}  // namespace

bool makeFont(const std::string& dir) {
    Picture sheet(16 * CELL_W, 5 * CELL_H);
    for (int y = 0; y < sheet.height; y++)
        for (int x = 0; x < sheet.width; x++) put(sheet, x, y, KEY);
    for (int code = FIRST_CHAR; code <= LAST_CHAR; code++) {
        const int g = code - FIRST_CHAR;
        const int cellX = (g % 16) * CELL_W, cellY = (g / 16) * CELL_H;
        if (g < GLYPH_COUNT)
            drawGlyph(sheet, cellX, cellY, GLYPHS[g]);
        else
            drawBarPiece(sheet, cellX, cellY, static_cast<char>(code));
    }
    return savePng(sheet, dir + "/font.png");
}
