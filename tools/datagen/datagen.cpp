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

bool savePng(const Picture& picture, const std::string& path) {
    if (!stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3)) {
        fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
