// fontgreet.png: the cave's heavy 16 x 16 capitals, pale gold with a dark
// brown outline all round and a drop shadow down and to the right, so they
// read over pale foam (dark rim, warm fill) and dark teal water (bright
// fill) alike as solid pieces tumbling in the fall.
//
// Each letter is a few pen strokes designed in an 11 x 13 box (stems on
// columns 0..2 and 8..10, bars on rows 0..2, 5..7 and 10..12), rendered at
// 8 x 8 samples per pixel into 10 x 12 pixels. The box sits at cell columns
// 3..12 and rows 2..13, whose middle is the rotation pivot, the corner point
// (8, 8), so a letter turns in place; with the outline it fills columns 2..13
// and rows 1..14, and the shadow one pixel down and right still lies in the
// 15 x 15 square from (1, 1) that the rotated drawing samples.
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;

const int CELL = 16;
const int BOX_X = 2, BOX_Y = 2, BOX_W = 11, BOX_H = 13;
// Size of the design box the strokes are drawn in, squeezed into the box.
const double DESIGN_W = 11, DESIGN_H = 13;
const int FIRST_CHAR = 32, LAST_CHAR = 102;

const double PEN = 1.45;   // half width of stems and bars
const double THIN = 1.15;  // half width of the diagonals of M, N, W

struct Segment {
    double x0, y0, x1, y1, r;
};

// A glyph under construction: straight strokes and elliptical arcs (angles in
// degrees, 0 pointing right, 90 down), arcs kept as short segments.
struct Glyph {
    std::vector<Segment> segments;
    Glyph& line(double x0, double y0, double x1, double y1, double r = PEN) {
        segments.push_back({x0, y0, x1, y1, r});
        return *this;
    }
    Glyph& poly(std::initializer_list<double> xy, double r = PEN) {
        const std::vector<double> v(xy);
        for (size_t i = 2; i + 1 < v.size(); i += 2) line(v[i - 2], v[i - 1], v[i], v[i + 1], r);
        return *this;
    }
    Glyph& arc(double cx, double cy, double rx, double ry, double a0, double a1, double r = PEN) {
        const int steps = 24;
        for (int i = 0; i < steps; i++) {
            const double t0 = (a0 + (a1 - a0) * i / steps) * M_PI / 180,
                         t1 = (a0 + (a1 - a0) * (i + 1) / steps) * M_PI / 180;
            line(cx + rx * std::cos(t0), cy + ry * std::sin(t0), cx + rx * std::cos(t1), cy + ry * std::sin(t1), r);
        }
        return *this;
    }
    Glyph& dot(double x, double y, double r = 1.6) { return line(x, y, x, y, r); }
};

// Stem centres, bar centres and the box's middle.
const double L = 1.5, R = 9.5, T = 1.5, B = 11.5, M = 6.5, CX = 5.5;

Glyph letter(char c) {
    Glyph g;
    switch (c) {
        case 'A':
            g.poly({L, B, 4.3, T, 6.7, T, R, B}).line(2.9, 8.0, 8.1, 8.0);
            break;
        case 'B':
            g.line(L, T, L, B).line(L, T, 6.2, T).arc(6.2, 4.0, 2.7, 2.5, -90, 90).line(L, M, 6.4, M);
            g.arc(6.4, 9.0, 3.1, 2.5, -90, 90).line(L, B, 6.4, B);
            break;
        case 'C':
            g.arc(CX + 0.2, M, 4.2, 5.0, 40, 320);
            break;
        case 'D':
            g.line(L, T, L, B).line(L, T, 4.6, T).line(L, B, 4.6, B).arc(4.6, M, 4.9, 5.0, -90, 90);
            break;
        case 'E':
            g.line(L, T, L, B).line(L, T, R, T).line(L, M, 8.0, M).line(L, B, R, B);
            break;
        case 'F':
            g.line(L, T, L, B).line(L, T, R, T).line(L, M, 8.0, M);
            break;
        case 'G':
            g.arc(CX, M, 4.0, 5.0, 0, 325).line(6.2, M, R, M);
            break;
        case 'H':
            g.line(L, T, L, B).line(R, T, R, B).line(L, M, R, M);
            break;
        case 'I':
            g.line(CX, T, CX, B).line(2.3, T, 8.7, T).line(2.3, B, 8.7, B);
            break;
        case 'J':
            g.line(3.6, T, R - 0.5, T).line(R - 0.5, T, R - 0.5, 8.0).arc(5.25, 8.0, 3.75, 3.5, 0, 180);
            break;
        case 'K':
            g.line(L, T, L, B).line(2.2, 8.2, R, T).line(4.9, 5.7, R, B);
            break;
        case 'L':
            g.line(L, T, L, B).line(L, B, R, B);
            break;
        case 'M':
            g.line(L, B, L, T).line(R, T, R, B).poly({L, T, CX, 8.2, R, T}, THIN);
            break;
        case 'N':
            g.line(L, B, L, T).line(R, T, R, B).line(L, T, R, B, THIN + 0.1);
            break;
        case 'O':
            g.arc(CX, M, 4.0, 5.0, 0, 360);
            break;
        case 'P':
            g.line(L, T, L, B).line(L, T, 5.8, T).arc(5.8, 4.3, 3.7, 2.8, -90, 90).line(L, 7.1, 5.8, 7.1);
            break;
        case 'Q':
            g.arc(CX, M, 4.0, 5.0, 0, 360).line(5.6, 8.4, 10.4, 12.6);
            break;
        case 'R':
            g.line(L, T, L, B).line(L, T, 5.8, T).arc(5.8, 4.3, 3.7, 2.8, -90, 90).line(L, 7.1, 5.8, 7.1);
            g.line(5.4, 7.1, R, B);
            break;
        case 'S':
            g.arc(CX, 4.0, 4.0, 2.5, 330, 90).arc(CX, 9.0, 4.0, 2.5, -90, 150);
            break;
        case 'T':
            g.line(0.9, T, 10.1, T).line(CX, T, CX, B);
            break;
        case 'U':
            g.line(L, T, L, 7.5).line(R, T, R, 7.5).arc(CX, 7.5, 4.0, 4.0, 0, 180);
            break;
        case 'V':
            g.poly({L - 0.2, T, 4.4, B, 6.6, B, R + 0.2, T});
            break;
        case 'W':
            g.poly({1.0, T, 2.6, B, CX, 5.2, 8.4, B, 10.0, T}, THIN + 0.05);
            break;
        case 'X':
            g.line(L, T, R, B).line(R, T, L, B);
            break;
        case 'Y':
            g.poly({L, T, CX, 6.4, R, T}).line(CX, 6.4, CX, B);
            break;
        case 'Z':
            g.line(L, T, R, T).line(R, T, L, B).line(L, B, R, B);
            break;
        case '0':
            g.arc(CX, M, 3.9, 5.0, 0, 360).line(4.2, 8.2, 6.8, 4.8, 1.0);
            break;
        case '1':
            g.line(CX, T, CX, B).line(CX, T, 2.6, 3.6).line(2.4, B, 8.6, B);
            break;
        case '2':
            g.arc(CX, 4.4, 4.0, 2.9, 195, 380).line(8.9, 6.4, L, B).line(L, B, R, B);
            break;
        case '3':
            g.arc(CX, 4.0, 4.0, 2.5, 200, 450).arc(CX, 9.0, 4.0, 2.5, 270, 520);
            break;
        case '4':
            g.line(7.4, T, 7.4, B).line(7.4, T, L, 8.6).line(L, 8.6, 10.0, 8.6);
            break;
        case '5':
            g.line(9.0, T, 2.0, T).line(2.0, T, 2.0, 6.0).arc(CX, 8.5, 4.0, 3.0, 235, 510);
            break;
        case '6':
            g.arc(CX, 8.5, 4.0, 3.0, 0, 360).arc(CX, 6.5, 4.0, 5.0, 180, 300);
            break;
        case '7':
            g.line(L, T, R, T).line(R, T, 4.0, B);
            break;
        case '8':
            g.arc(CX, 3.9, 3.5, 2.4, 0, 360).arc(CX, 9.0, 4.0, 2.5, 0, 360);
            break;
        case '9':
            g.arc(CX, 4.5, 4.0, 3.0, 0, 360).arc(CX, 6.5, 4.0, 5.0, 0, 120);
            break;
        case '!':
            g.line(CX, T, CX, 7.6).dot(CX, 11.2);
            break;
        case '\'':
            g.line(CX, T, CX, 4.2);
            break;
        case '"':
            g.line(3.4, T, 3.4, 4.2).line(7.6, T, 7.6, 4.2);
            break;
        case ',':
            g.dot(CX, 10.6).line(CX + 0.4, 10.8, 4.0, 13.0, 1.0);
            break;
        case '-':
            g.line(2.5, M, 8.5, M);
            break;
        case '+':
            g.line(2.0, M, 9.0, M).line(CX, 3.0, CX, 10.0);
            break;
        case '.':
            g.dot(CX, 11.2);
            break;
        case '/':
            g.line(8.8, T, 2.2, B);
            break;
        case ':':
            g.dot(CX, 4.0).dot(CX, 10.8);
            break;
        case '?':
            g.arc(CX, 4.2, 3.8, 2.7, 190, 430).line(CX, 6.9, CX, 8.0).dot(CX, 11.2);
            break;
        case '(':
            g.arc(8.8, M, 4.8, 6.0, 120, 240);
            break;
        case ')':
            g.arc(2.2, M, 4.8, 6.0, -60, 60);
            break;
        default:
            break;
    }
    return g;
}

double distanceToSegment(double px, double py, const Segment& s) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / len2 : 0;
    t = clamp01(t);
    const double ex = px - (s.x0 + t * dx), ey = py - (s.y0 + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

// Fraction of each box pixel the pen covers.
std::vector<double> coverage(const Glyph& g) {
    const int SS = 8;
    std::vector<double> cover(BOX_W * BOX_H, 0.0);
    for (int y = 0; y < BOX_H; y++)
        for (int x = 0; x < BOX_W; x++) {
            int hits = 0;
            for (int sy = 0; sy < SS; sy++)
                for (int sx = 0; sx < SS; sx++) {
                    const double px = (x + (sx + 0.5) / SS) * DESIGN_W / BOX_W,
                                 py = (y + (sy + 0.5) / SS) * DESIGN_H / BOX_H;
                    for (const Segment& s : g.segments)
                        if (distanceToSegment(px, py, s) <= s.r) {
                            hits++;
                            break;
                        }
                }
            cover[y * BOX_W + x] = static_cast<double>(hits) / (SS * SS);
        }
    return cover;
}

const Colour KEY = {255, 0, 255};
const Colour OUTLINE = {30, 16, 8};
const Colour SHADOW = {8, 10, 20};
// Pale gold, like old brass in lamplight: warm enough to stand apart from
// the blue water and the white foam, soft enough to sit in a painted cave.
const Colour FILL_TOP = {255, 238, 178};
const Colour FILL_BOTTOM = {226, 164, 72};
const Colour BEVEL_LIGHT = {255, 250, 220};
const Colour BEVEL_DARK = {160, 96, 34};

void setColour(Picture& p, int x, int y, Colour c) {
    p.set(x, y, static_cast<int>(std::lround(c.r)), static_cast<int>(std::lround(c.g)),
          static_cast<int>(std::lround(c.b)));
}

// Ink where the pen covers at least this much of a pixel.
const double INK = 0.42;

void drawGlyph(Picture& sheet, int cellX, int cellY, const Glyph& g) {
    const std::vector<double> cover = coverage(g);
    auto inked = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < BOX_W && y < BOX_H && cover[y * BOX_W + x] >= INK;
    };
    for (int y = -1; y <= BOX_H + 1; y++)
        for (int x = -1; x <= BOX_W + 1; x++) {
            const int sx = cellX + BOX_X + x, sy = cellY + BOX_Y + y;
            if (inked(x, y)) {
                // Pale at the top deepening to gold at the foot. Every inked
                // pixel is solid fill: the nearest-pixel rotation turns soft
                // edge shades into speckle, so the shape stays two-tone.
                Colour fill = mix(FILL_TOP, FILL_BOTTOM, smoothstep(1, BOX_H - 2, y));
                // A faint bevel: edges facing up and left catch a little light,
                // those facing down and right a little shade.
                const bool lit = !inked(x - 1, y) || !inked(x, y - 1);
                const bool shaded = !inked(x + 1, y) || !inked(x, y + 1);
                if (shaded && !lit)
                    fill = mix(fill, BEVEL_DARK, 0.45);
                else if (lit && !shaded)
                    fill = mix(fill, BEVEL_LIGHT, 0.6);
                setColour(sheet, sx, sy, fill);
                continue;
            }
            bool near = false, shade = false;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    near = near || inked(x + dx, y + dy);
                    // The outlined shape, one pixel down and to the right.
                    shade = shade || inked(x - 1 + dx, y - 1 + dy);
                }
            if (near)
                setColour(sheet, sx, sy, OUTLINE);
            else if (shade)
                setColour(sheet, sx, sy, SHADOW);
        }
}

}  // namespace

bool makeGreetingFont(const std::string& dir) {
    Picture sheet(16 * CELL, 5 * CELL);
    for (int y = 0; y < sheet.height; y++)
        for (int x = 0; x < sheet.width; x++) setColour(sheet, x, y, KEY);
    for (int code = FIRST_CHAR + 1; code <= LAST_CHAR; code++) {
        // The few lower-case codes the sheet holds show as capitals.
        const char c = static_cast<char>(code >= 'a' ? code - 'a' + 'A' : code);
        const int g = code - FIRST_CHAR;
        drawGlyph(sheet, (g % 16) * CELL, (g / 16) * CELL, letter(c));
    }
    return savePng(sheet, dir + "/fontgreet.png");
}
