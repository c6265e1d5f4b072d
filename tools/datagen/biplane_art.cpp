// Placeholder makers for the biplane scene's pictures (being painted).
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

bool makePlaneTexture(const std::string& dir) { return flat(dir, "env_red.png", 256, 256, 200, 40, 30); }
bool makeCloud1(const std::string& dir) { return flat(dir, "cloud1.png", 256, 256, 0, 0, 0); }
bool makeCloud2(const std::string& dir) { return flat(dir, "cloud2.png", 256, 256, 0, 0, 0); }
bool makeCloud3(const std::string& dir) { return flat(dir, "cloud3.png", 256, 256, 0, 0, 0); }
