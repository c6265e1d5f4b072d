// Placeholder makers for the dragonfly scene's pictures (being painted).
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

bool makeMeadow(const std::string& dir) { return flat(dir, "bg.png", 320, 240, 120, 180, 90); }
bool makeFlowerTexture(const std::string& dir) { return flat(dir, "kukka.png", 256, 256, 240, 240, 240); }
bool makeDragonfly(const std::string& dir) { return flat(dir, "dragonfly.png", 32, 84, 40, 90, 160); }
bool makeDragonflyOpacity(const std::string& dir) { return flat(dir, "dragonfly_opac.png", 32, 84, 0, 0, 0); }
bool makeWing1(const std::string& dir) { return flat(dir, "df_wing1.png", 192, 60, 255, 255, 255); }
bool makeWing2(const std::string& dir) { return flat(dir, "df_wing2.png", 192, 60, 255, 255, 255); }
bool makeWing3(const std::string& dir) { return flat(dir, "df_wing3.png", 192, 60, 255, 255, 255); }
bool makeCredits(const std::string& dir) { return flat(dir, "credits.png", 256, 176, 255, 255, 255); }
bool makeCreditsOpacity(const std::string& dir) { return flat(dir, "credits_opac.png", 256, 176, 0, 0, 0); }
