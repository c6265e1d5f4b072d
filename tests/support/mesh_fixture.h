// Helpers for mesh tests: meshes read from text, test pictures, a clean Screen.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "display/screen.h"
#include "engine/mesh.h"
#include "gfx/image.h"

// A mesh loaded from ASE text held in memory (the same reader the files use).
inline std::unique_ptr<Mesh> meshFromText(const std::string& text, int32_t vertices, int32_t faces, int32_t texCoords,
                                          Image* texture = nullptr, Image* envMap = nullptr) {
    std::string copy = text;
    FILE* stream = fmemopen(copy.empty() ? nullptr : &copy[0], copy.size(), "r");
    if (!stream) stream = fopen("/dev/null", "r");
    std::unique_ptr<Mesh> mesh(new Mesh(stream, texture, envMap, vertices, faces, texCoords));
    fclose(stream);
    return mesh;
}

// A 256 x 256 picture whose every texel tells where it is: texel i holds a
// colour made from i, so a pixel shows which texel was fetched.
inline std::unique_ptr<Image> indexPicture() {
    std::unique_ptr<Image> image(new Image(256, 256));
    for (int i = 0; i < 65536; i++) image->pixels[i] = static_cast<uint16_t>(i * 40503u + 1);
    return image;
}

// Fills the whole depth buffer with far, the back buffer with background, and
// resets the written-row range.
inline Screen& cleanScreen(Fixed far = 0x3E80000, uint16_t background = 0x0841) {
    Screen& screen = *Screen::instance();
    screen.depthMinRow = 0;
    screen.depthMaxRow = SCREEN_HEIGHT;
    screen.clearDepth(far);
    for (int i = 0; i < SCREEN_PIXELS; i++) screen.backBuffer[i] = background;
    return screen;
}
