// Shared helpers of the data generator.
#include "datagen.h"

#include <cstdio>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

void Picture::set(int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = at(x, y);
    p[0] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
    p[1] = static_cast<uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
    p[2] = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
}

namespace {
// 4 x 4 Bayer thresholds, in sixteenths.
const int BAYER4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// One channel onto `levels` steps (31 or 63) and back to a byte whose top bits
// are that step.
int ditherChannel(double value, int levels, int bits, double threshold) {
    int level = static_cast<int>(value * levels / 255.0 + threshold);
    level = level < 0 ? 0 : level > levels ? levels : level;
    return (level << (8 - bits)) | (level >> (2 * bits - 8));
}
}  // namespace

void Picture::setDithered(int x, int y, double r, double g, double b) {
    const double t = (BAYER4[y & 3][x & 3] + 0.5) / 16.0;
    set(x, y, ditherChannel(r, 31, 5, t), ditherChannel(g, 63, 6, t), ditherChannel(b, 31, 5, t));
}

void Picture::setNearest(int x, int y, double r, double g, double b) {
    set(x, y, ditherChannel(r, 31, 5, 0.5), ditherChannel(g, 63, 6, 0.5), ditherChannel(b, 31, 5, 0.5));
}

bool savePng(const Picture& picture, const std::string& path) {
    if (!stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3)) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
