// PNG loading through stb_image, blank pictures and the full-screen copy.
#include "gfx/image.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen.h"
#include "gfx/pixel.h"
#include "stb_image.h"

void convertRgbToRgb565(const unsigned char* rgb, int pixelCount, uint16_t* out) {
    for (int i = 0; i < pixelCount; i++, rgb += 3) out[i] = rgb565(rgb[0], rgb[1], rgb[2]);
}

namespace {
// Takes stb_image's 8-bit RGB result into the picture as RGB565 and frees it;
// false, with the picture unchanged, when there is none.
bool takeDecoded(Image* image, unsigned char* data, int w, int h) {
    if (!data || w <= 0 || h <= 0) {
        if (data) stbi_image_free(data);
        return false;
    }
    delete[] image->pixels;
    image->width = w;
    image->height = h;
    image->pixelCount = w * h;
    image->pixels = new uint16_t[image->pixelCount];
    convertRgbToRgb565(data, image->pixelCount, image->pixels);
    stbi_image_free(data);
    return true;
}
}  // namespace

Image::Image(const char* path) {
    int w = 0, h = 0;
    unsigned char* data = stbi_load(path, &w, &h, nullptr, 3);
    if (!takeDecoded(this, data, w, h)) {
        printf("error loading %s\n", path);
        fflush(stdout);
        exit(1);
    }
}

Image* decodePicture(const unsigned char* bytes, size_t length) {
    if (!bytes || length > INT_MAX) return nullptr;
    int w = 0, h = 0;
    unsigned char* data = stbi_load_from_memory(bytes, static_cast<int>(length), &w, &h, nullptr, 3);
    Image* image = new Image(0, 0);
    if (takeDecoded(image, data, w, h)) return image;
    delete image;
    return nullptr;
}

Image::Image(int w, int h) : pixelCount(w * h), pixels(new uint16_t[w * h]()), width(w), height(h) {}

Image::~Image() { delete[] pixels; }

void Image::copyToScreen() const {
    if (pixelCount < SCREEN_PIXELS) return;
    memcpy(Screen::instance()->backBuffer, pixels, SCREEN_PIXELS * sizeof(uint16_t));
}

bool imageHasSize(const Image& image, int minWidth, int minHeight) {
    return image.width >= minWidth && image.height >= minHeight;
}

void requireImageSize(const Image& image, const char* path, int minWidth, int minHeight) {
    if (imageHasSize(image, minWidth, minHeight)) return;
    printf("error loading %s: expected %d x %d pixels, found %d x %d\n", path, minWidth, minHeight, image.width,
           image.height);
    fflush(stdout);
    exit(1);
}

void requireImageSize(const Image* image, const char* path, int minWidth, int minHeight) {
    if (!image) {
        printf("error loading %s\n", path);
        fflush(stdout);
        exit(1);
    }
    requireImageSize(*image, path, minWidth, minHeight);
}

Image* loadPicture(const char* path, int minWidth, int minHeight) {
    Image* image = new Image(path);
    requireImageSize(*image, path, minWidth, minHeight);
    return image;
}
