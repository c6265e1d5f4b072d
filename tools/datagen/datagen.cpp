// Shared helpers of the data generator.
#include "datagen.h"

#include <cstdio>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

bool savePng(const Picture& picture, const std::string& path) {
    if (!stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3)) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
