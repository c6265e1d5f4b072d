// The biplane drawn close up (about a third of the screen) against a memcpy of
// one 153600-byte frame in the same run; the budget for transform plus render
// is 15 frame copies. BM_PlaneFrame also clears the depth rows as the scenes
// do; BM_PlaneDepthClear is that clear alone, to take out. The plain
// transform and render (the yardstick of the fast ones) run the same frame
// in BM_PlaneFrameReference, and each transform alone in BM_PlaneTransform*.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "main/show_facts.h"
#include "scenes/reference/mesh_reference.h"

namespace {

constexpr Fixed SKY_DEPTH = 0x640000;

struct PlaneView {
    std::unique_ptr<Image> picture;
    std::unique_ptr<Mesh> plane;
    int covered = 0;
    int firstRow = 0, endRow = 0;

    PlaneView() {
        buildTrigTables();
        Screen& screen = *Screen::instance();
        screen.startSkippingCleanDepth();  // as the show runs
        picture.reset(new Image(256, 256));
        for (int i = 0; i < 65536; i++) picture->pixels[i] = static_cast<uint16_t>(i * 40503u + 1);
        const std::string path = std::string(AMBRELLE_DATA_DIR) + "/sopwith.ase";
        plane.reset(new Mesh(path.c_str(), picture.get(), picture.get(), PLANE_MESH.vertexCount, PLANE_MESH.faceCount,
                             PLANE_MESH.texCoordCount));
        // Seen from behind and above as in the biplane scene, but nearer.
        Camera& camera = *screen.camera;
        camera.angle[0] = 0x4000;
        camera.angle[1] = 0;
        camera.angle[2] = 1200;
        for (Fixed& p : camera.position) p = 0;
        camera.position[1] = 0x3A000;
        camera.update();
        plane->focalLength = 0x12C0000;
        plane->angle[0] = 4000;
        plane->angle[1] = 2000;
        plane->angle[2] = -5000;
        screen.depthMinRow = 0;
        screen.depthMaxRow = SCREEN_HEIGHT;
        screen.clearDepth(SKY_DEPTH);
        plane->transform();
        plane->render();
        for (int i = 0; i < SCREEN_PIXELS; i++) covered += screen.depthBuffer[i] != SKY_DEPTH;
        firstRow = screen.depthMinRow;
        endRow = screen.depthMaxRow;
    }
};

PlaneView& view() {
    static PlaneView v;
    return v;
}

// What the scenes do for the plane each frame: clear the rows it drew last
// time, transform it, draw it.
void BM_PlaneFrame(benchmark::State& state) {
    PlaneView& v = view();
    Screen& screen = *Screen::instance();
    for (auto _ : state) {
        screen.clearDepth(SKY_DEPTH);
        v.plane->transform();
        v.plane->render();
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = v.covered;
    state.counters["screen%"] = 100.0 * v.covered / SCREEN_PIXELS;
}
BENCHMARK(BM_PlaneFrame);

// The depth clear alone over the same rows, to take out of the frame above.
void BM_PlaneDepthClear(benchmark::State& state) {
    PlaneView& v = view();
    Screen& screen = *Screen::instance();
    for (auto _ : state) {
        screen.depthMinRow = v.firstRow;
        screen.depthMaxRow = v.endRow;
        screen.clearDepth(SKY_DEPTH);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneDepthClear);

void BM_PlaneFrameReference(benchmark::State& state) {
    PlaneView& v = view();
    Screen& screen = *Screen::instance();
    for (auto _ : state) {
        screen.clearDepth(SKY_DEPTH);
        transformMeshReference(*v.plane);
        renderMeshReference(*v.plane);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneFrameReference);

void BM_PlaneTransform(benchmark::State& state) {
    PlaneView& v = view();
    for (auto _ : state) {
        v.plane->transform();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneTransform);

void BM_PlaneTransformReference(benchmark::State& state) {
    PlaneView& v = view();
    for (auto _ : state) {
        transformMeshReference(*v.plane);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneTransformReference);

}  // namespace
