// PNG loading through stb_image, blank pictures and the full-screen copy.
#include "gfx/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen.h"
#include "gfx/pixel.h"
#include "stb_image.h"

void convertRgbToRgb565(const unsigned char* rgb, int pixelCount, uint16_t* out) {
    for (int i = 0; i < pixelCount; i++, rgb += 3) out[i] = rgb565(rgb[0], rgb[1], rgb[2]);
}

Image::Image(const char* path) {
    int w = 0, h = 0;
    unsigned char* data = stbi_load(path, &w, &h, nullptr, 3);
    if (!data || w <= 0 || h <= 0) {
        if (data) stbi_image_free(data);
        printf("error loading %s\n", path);
        fflush(stdout);
        exit(1);
    }
    width = w;
    height = h;
    pixelCount = w * h;
    pixels = new uint16_t[pixelCount];
    convertRgbToRgb565(data, pixelCount, pixels);
    stbi_image_free(data);
}

Image::Image(int w, int h) : pixelCount(w * h), pixels(new uint16_t[w * h]()), width(w), height(h) {}

Image::~Image() { delete[] pixels; }

void Image::copyToScreen() const {
    if (pixelCount < SCREEN_PIXELS) return;
    memcpy(Screen::instance()->backBuffer, pixels, SCREEN_PIXELS * sizeof(uint16_t));
}

void requireImageSize(const Image& image, const char* path, int minWidth, int minHeight) {
    if (image.width >= minWidth && image.height >= minHeight) return;
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
