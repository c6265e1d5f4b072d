// Where things sit in the lighthouse scene, shared by its pictures: the lamp
// (which must be where the glow picture is brightest) and the title's box.
#pragma once

namespace lighthouse {

// The lamp, in screen pixels. The engine blends the glow picture's first
// 112 x 128 pixels over screen x 208..319, y 32..159.
constexpr double LAMP_X = 272.0;
constexpr double LAMP_Y = 88.0;
constexpr int GLOW_LEFT = 208;
constexpr int GLOW_TOP = 32;
constexpr int GLOW_COLUMNS = 112;
constexpr int GLOW_ROWS = 128;

// The title's baseline and x-height in screen pixels, its left edge, and the
// centre the twirl turns about. The engine reveals it from row 63, column 36
// on, and only spawns sparks at x < 256, y < 128: the letters stay inside.
constexpr double TITLE_LEFT = 40.0;
constexpr double TITLE_BASELINE = 122.0;
constexpr double TITLE_X_HEIGHT = 31.0;
constexpr double TITLE_CENTRE_X = 140.0;
constexpr double TITLE_CENTRE_Y = 100.0;

}  // namespace lighthouse
