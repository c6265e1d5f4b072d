// ambrelle-skysearch: places the sky triangle that sopwith.ase carries behind
// the biplane. The biplane scene must see it over every pixel at every
// millisecond, behind the plane; the cave scene, which flies the same mesh
// past its own camera, must never draw it. The program starts from given
// corners, moves one corner at a time at random and keeps every move that
// gets closer to both promises or, once both hold, lets the nearest corner
// lie deeper in front of the biplane's camera (a corner close to the
// camera's plane throws the gradient about). Corners are in the scenes'
// model units, as SKY_CORNERS in tools/datagen/meshes.cpp holds them.
//
//   ambrelle-skysearch MESH [X0 Y0 Z0 X1 Y1 Z1 X2 Y2 Z2 [SEED [MOVES]]]
//
// MESH is a generated sopwith.ase; the corners given replace its sky
// triangle's, and without them its own are taken. With no MOVES only the
// corners are checked.
//
// While searching, each placement is judged from its projected corners
// alone (the rasterizer's rejection tests, and the screen's corners inside
// the triangle with a margin): the cave at every millisecond, the biplane
// every 33 ms. The placement it ends with is drawn by the rasterizer itself
// at every millisecond of both scenes, as the mesh tests draw the generated
// file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "main/show_facts.h"
#include "scenes/biplane_scene.h"
#include "scenes/cave_scene.h"

namespace {

constexpr uint32_t BIPLANE_FIRST = 88101, BIPLANE_END = 138101;  // the scene's window
constexpr uint32_t CAVE_FIRST = 175351, CAVE_LAST = 183100;      // the plane's pass until the cave ends
constexpr Fixed CAVE_DEPTH = 0x3E80000;                          // the cave clears the plane's rows to 1000.0
// How far outside the screen the triangle must reach, in pixels: the
// rasterizer truncates its corners and skips each face's last row.
constexpr double MARGIN = 6;
// The depth the biplane scene clears to is 100.0; the sky must be nearer.
constexpr double FARTHEST = 97;
// Screen positions beyond this would come near the rasterizer's 16.16 range.
constexpr double WIDEST = 16000;

struct Corners {
    double at[3][3];
};

struct Outcome {
    long caveFrames = 0;     // milliseconds at which the cave would draw the triangle
    long biplaneFrames = 0;  // biplane frames it leaves uncovered (or lets through the plane)
    double nearest = 0;      // the least depth of a corner in the biplane scene
    double widest = 0;       // the largest screen coordinate of a corner there
};

class Search {
   public:
    explicit Search(const char* meshPath) : texture_(256, 256) {
        buildTrigTables();
        screen_ = Screen::instance();
        mesh_ = new Mesh(meshPath, &texture_, &texture_, PLANE_MESH.vertexCount, PLANE_MESH.faceCount,
                         PLANE_MESH.texCoordCount);
        // The sky is the file's last face, on its last three vertices.
        first_ = mesh_->vertexCount - 3;
    }
    ~Search() { delete mesh_; }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    Corners meshCorners() const {
        Corners c;
        for (int k = 0; k < 3; k++) {
            const MeshVertex& v = mesh_->vertices[first_ + k];
            c.at[k][0] = v.x / 65536.0;
            c.at[k][1] = v.y / 65536.0;
            c.at[k][2] = v.z / 65536.0;
        }
        return c;
    }

    Outcome run(const Corners& c, uint32_t biplaneStep, uint32_t caveStep) {
        place(c);
        Outcome o;
        o.nearest = 1e9;
        for (uint32_t t = CAVE_FIRST; t <= CAVE_LAST; t += caveStep) {
            CaveScene::posePlane(*mesh_, *screen_->camera, t);
            o.caveFrames += caveDraws();
        }
        for (uint32_t t = BIPLANE_FIRST; t < BIPLANE_END; t += biplaneStep) {
            BiplaneScene::posePlane(*mesh_, *screen_->camera, t);
            o.biplaneFrames += !biplaneCovered(&o);
        }
        return o;
    }

    // The promises as the rasterizer keeps them, at every millisecond: the
    // sky face alone leaves no pixel of the biplane scene at the depth it
    // clears to, and writes none in the cave's pass. Returns the offending
    // frames in an Outcome.
    Outcome drawn(const Corners& c) {
        place(c);
        Outcome o;
        for (uint32_t t = CAVE_FIRST; t <= CAVE_LAST; t++) {
            CaveScene::posePlane(*mesh_, *screen_->camera, t);
            o.caveFrames += drawSky(CAVE_DEPTH) != 0;
        }
        for (uint32_t t = BIPLANE_FIRST; t < BIPLANE_END; t++) {
            BiplaneScene::posePlane(*mesh_, *screen_->camera, t);
            o.biplaneFrames += drawSky(BiplaneScene::SKY_DEPTH) != SCREEN_PIXELS;
        }
        return o;
    }

   private:
    // Draws the sky face alone over a depth buffer cleared to far and
    // returns how many pixels it wrote.
    int drawSky(Fixed far) {
        for (int i = 0; i < SCREEN_PIXELS; i++) screen_->depthBuffer[i] = far;
        const MeshFace face = mesh_->faces[0];
        const TexFace texFace = mesh_->texFaces[0];
        const int32_t count = mesh_->faceCount;
        mesh_->faces[0] = mesh_->faces[count - 1];
        mesh_->texFaces[0] = mesh_->texFaces[count - 1];
        mesh_->faceCount = 1;
        mesh_->render();
        mesh_->faceCount = count;
        mesh_->faces[0] = face;
        mesh_->texFaces[0] = texFace;
        int written = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++) written += screen_->depthBuffer[i] != far;
        return written;
    }

    void place(const Corners& c) {
        for (int k = 0; k < 3; k++) {
            MeshVertex& v = mesh_->vertices[first_ + k];
            v.x = static_cast<Fixed>(c.at[k][0] * 65536);
            v.y = static_cast<Fixed>(c.at[k][1] * 65536);
            v.z = static_cast<Fixed>(c.at[k][2] * 65536);
        }
    }

    // The rasterizer's own tests, in its order: a corner behind the camera,
    // all corners left or right of the screen, above or below it, or the
    // face turned away.
    bool caveDraws() const {
        int64_t x[3], y[3];
        for (int k = 0; k < 3; k++) {
            if (mesh_->viewZ[first_ + k] < 0) return false;
            x[k] = mesh_->screenX[first_ + k];
            y[k] = mesh_->screenY[first_ + k];
        }
        if (x[0] < 0 && x[1] < 0 && x[2] < 0) return false;
        if (x[0] >= SCREEN_WIDTH && x[1] >= SCREEN_WIDTH && x[2] >= SCREEN_WIDTH) return false;
        if (std::min({y[0], y[1], y[2]}) >= SCREEN_HEIGHT || std::max({y[0], y[1], y[2]}) < 0) return false;
        return (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]) < 0;
    }

    // Every corner of the screen, a margin out, inside the projected
    // triangle and at a depth the scene's clear leaves room for.
    bool biplaneCovered(Outcome* o) const {
        double x[3], y[3], z[3];
        for (int k = 0; k < 3; k++) {
            z[k] = mesh_->viewZ[first_ + k] / 65536.0;
            x[k] = mesh_->screenX[first_ + k];
            y[k] = mesh_->screenY[first_ + k];
            o->nearest = std::min(o->nearest, z[k]);
            o->widest = std::max(o->widest, std::max(std::fabs(x[k]), std::fabs(y[k])));
        }
        if (std::min({z[0], z[1], z[2]}) <= 0.5) return false;
        const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        const double cx[4] = {-MARGIN, SCREEN_WIDTH + MARGIN, -MARGIN, SCREEN_WIDTH + MARGIN};
        const double cy[4] = {-MARGIN, -MARGIN, SCREEN_HEIGHT + MARGIN, SCREEN_HEIGHT + MARGIN};
        for (int c = 0; c < 4; c++) {
            // Barycentric weights of the screen corner; all in 0..1 inside.
            const double a = ((x[1] - cx[c]) * (y[2] - cy[c]) - (x[2] - cx[c]) * (y[1] - cy[c])) / area;
            const double b = ((x[2] - cx[c]) * (y[0] - cy[c]) - (x[0] - cx[c]) * (y[2] - cy[c])) / area;
            if (a < 0 || b < 0 || a + b > 1) return false;
            if (a * z[0] + b * z[1] + (1 - a - b) * z[2] > FARTHEST) return false;
        }
        return true;
    }

    Image texture_;
    Screen* screen_ = nullptr;
    Mesh* mesh_ = nullptr;
    int first_ = 0;
};

// Higher is better: first fewer failures, then a deeper nearest corner (up
// to 30 units, beyond which it no longer matters).
double score(const Outcome& o) {
    double failures = static_cast<double>(o.caveFrames + o.biplaneFrames);
    if (o.widest > WIDEST) failures += (o.widest - WIDEST) / 1000;
    return failures > 0 ? -1000 * failures : std::min(o.nearest, 30.0);
}

void print(const char* what, const Corners& c, const Outcome& o) {
    printf("%s: cave frames drawing it %ld, biplane frames not covered %ld, nearest corner %.2f deep\n", what,
           o.caveFrames, o.biplaneFrames, o.nearest);
    printf("  {{%.2f, %.2f, %.2f}, {%.2f, %.2f, %.2f}, {%.2f, %.2f, %.2f}}\n", c.at[0][0], c.at[0][1], c.at[0][2],
           c.at[1][0], c.at[1][1], c.at[1][2], c.at[2][0], c.at[2][1], c.at[2][2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 11 && argc != 12 && argc != 13) {
        fprintf(stderr, "usage: ambrelle-skysearch MESH [X0 Y0 Z0 X1 Y1 Z1 X2 Y2 Z2 [SEED [MOVES]]]\n");
        return 2;
    }
    Search search(argv[1]);
    Corners corners = search.meshCorners();
    for (int k = 0; k < 9 && argc > 2; k++) {
        char* end = nullptr;
        corners.at[k / 3][k % 3] = strtod(argv[2 + k], &end);
        if (end == argv[2 + k] || *end != '\0' || !std::isfinite(corners.at[k / 3][k % 3])) {
            fprintf(stderr, "ambrelle-skysearch: not a number: '%s'\n", argv[2 + k]);
            return 2;
        }
    }
    const unsigned seed = argc > 11 ? static_cast<unsigned>(strtoul(argv[11], nullptr, 10)) : 1;
    const long moves = argc > 12 ? strtol(argv[12], nullptr, 10) : 0;
    std::mt19937 rng(seed);
    std::normal_distribution<double> step(0, 1);
    Outcome best = search.run(corners, 33, 1);
    for (long m = 0; m < moves; m++) {
        // Large, middling and fine moves by turns.
        const double size = m % 3 == 0 ? 20 : m % 3 == 1 ? 5 : 1.5;
        Corners trial = corners;
        const int k = static_cast<int>(rng() % 3);
        for (int a = 0; a < 3; a++) trial.at[k][a] += size * step(rng);
        const Outcome o = search.run(trial, 33, 1);
        if (score(o) > score(best)) {
            corners = trial;
            best = o;
            print("better", corners, best);
        }
        if (m % 1000 == 999) fprintf(stderr, "%ld of %ld moves\n", m + 1, moves);
    }
    Outcome checked = search.drawn(corners);
    checked.nearest = best.nearest;
    print("drawn at every millisecond", corners, checked);
    return checked.caveFrames == 0 && checked.biplaneFrames == 0 ? 0 : 1;
}
