// Fuzz target: any bytes as an ASE file, loaded, posed, transformed and drawn.
// The loader must never read or write outside the mesh's arrays, and the
// transform and the rasterizer must stay inside the Screen's buffers whatever
// the file held.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"

namespace {

struct Fixture {
    Image picture{256, 256};
    Image small{16, 16};
    Fixture() {
        buildTrigTables();
        Screen::instance();
        for (int i = 0; i < 65536; i++) picture.pixels[i] = static_cast<uint16_t>(i * 40503u);
    }
};

// A small deterministic mix of the input, to pose the mesh differently per input.
uint32_t mix(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; i++) h = (h ^ data[i]) * 16777619u;
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    if (size == 0) return 0;
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!stream) return 0;
    // The show's two count sets, and a tiny one so that records overflow it.
    static const int32_t COUNTS[3][3] = {{122, 136, 286}, {121, 121, 224}, {4, 3, 5}};
    const uint32_t h = mix(data, size);
    const int32_t* counts = COUNTS[h % 3];
    Image* env = (h >> 2) % 7 == 0 ? &fixture.small : &fixture.picture;
    Mesh mesh(stream, &fixture.picture, env, counts[0], counts[1], counts[2]);
    fclose(stream);

    Screen& screen = *Screen::instance();
    Camera& camera = *screen.camera;
    camera.angle[0] = 0x4000;
    camera.angle[1] = static_cast<int32_t>(h & 0xFFFF);
    camera.angle[2] = static_cast<int32_t>(h >> 16);
    camera.position[0] = camera.position[2] = 0;
    camera.position[1] = static_cast<Fixed>((h >> 8) & 0xFFFFF);
    camera.update();
    mesh.angle[0] = static_cast<int32_t>(h * 3);
    mesh.angle[1] = static_cast<int32_t>(h * 5);
    mesh.angle[2] = static_cast<int32_t>(h * 7);
    mesh.focalLength = (h & 1) ? 0x12C0000 : static_cast<Fixed>(h);
    mesh.transform();
    screen.clearDepth(0x3E80000);
    mesh.render();
    return 0;
}
