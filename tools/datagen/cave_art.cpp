// Placeholder makers for the cave scene's pictures (being painted).
#include "datagen.h"
#include "makers.h"

namespace {
bool flat(const std::string& dir, const char* name, int w, int h, int r, int g, int b) {
    Picture p(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) p.set(x, y, r, g, b);
    return savePng(p, dir + "/" + name);
}
}  // namespace

bool makeCave(const std::string& dir) { return flat(dir, "luola.png", 320, 240, 40, 40, 50); }
bool makeWaterfall1(const std::string& dir) { return flat(dir, "waterfall1.png", 128, 256, 0, 0, 0); }
bool makeWaterfall2(const std::string& dir) { return flat(dir, "waterfall2.png", 128, 256, 0, 0, 0); }
bool makeWaterfall3(const std::string& dir) { return flat(dir, "waterfall3.png", 128, 256, 0, 0, 0); }
bool makeWaterfallPalette(const std::string& dir) { return flat(dir, "waterfall_pal.png", 256, 1, 200, 220, 255); }
bool makeWaterfallAlpha(const std::string& dir) { return flat(dir, "luola_alpha.png", 128, 240, 0, 0, 0); }
bool makeGreetingFont(const std::string& dir) { return flat(dir, "fontgreet.png", 256, 80, 255, 0, 255); }
