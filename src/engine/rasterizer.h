// Rasterizer: the scanline triangle filler behind Mesh::render, in named stages.
#pragma once

#include <cstdint>

#include "engine/fixed.h"

class Mesh;
class Screen;

// One face corner ready for drawing: 16.16 screen position (whole pixels,
// zero fraction), view depth and texel position.
struct RasterCorner {
    Fixed x, y, z, u, v;
};

// One edge walked down the rows: current values and their steps per row.
// Values advance by wrapping 32-bit additions.
struct RasterEdge {
    Fixed x, z, u, v;
    Fixed dx, dz, du, dv;
};

// The pixels of one clipped span: count pixels from out and depth onward,
// with the texel coordinates and depth of the first one and their steps per
// pixel (all wrapping 32-bit values).
struct SpanRun {
    uint16_t* out;
    Fixed* depth;
    int32_t count;
    uint32_t u, v, z;
    uint32_t du, dv, dz;
};

// Draws faces of one mesh into the Screen's back and depth buffers.
// Stages: cullFaces (gathering the positions, rejection, signed area,
// written-row range, facing test; faces turned away end here) -> drawFace
// (texel coordinates, sort) -> fillTriangle (edge slopes and row stepping) ->
// span (column clip) -> the pixel loop (depth test, texel copy). Every write
// lands inside the 320 x 240 buffers whatever the input: rows are limited to
// the clip window, which is itself kept inside the screen, and texel indices
// to 16 bits.
class Rasterizer {
   public:
    Rasterizer(Screen& screen, Mesh& mesh);

    // Every face of the mesh in order, after its latest transform (what
    // Mesh::render does): the faces are culled a block at a time, then the
    // front faces of the block drawn in their order, which writes the same
    // bits as taking them one by one.
    void drawMesh();
    // Corners sorted by y (c[0].y <= c[1].y <= c[2].y, whole rows as 16.16):
    // the top part from corner 0 to 1, the bottom part from 1 to 2; the row
    // of corner 2 is never drawn. A part whose corners come in the wrong
    // order draws nothing.
    void fillTriangle(const RasterCorner c[3], const uint16_t* texels);
    // One horizontal span; x1, x2 and row in whole pixels, the ends in either
    // order. row must lie in the clip window.
    void drawSpan(int32_t x1, int32_t x2, int32_t row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1, Fixed z2,
                  const uint16_t* texels);

    // The span's pixel loop for a span of any length (what drawSpan runs
    // after clipping for spans of nine pixels or more): eight pixels at a
    // time where avx2Spans is set and the span is longer than eight, else
    // four at a time where the processor has SSE2 and the span is long
    // enough; fillSpanPortable is the one-pixel-at-a-time form it must match
    // bit for bit. run.count pixels from run.out and run.depth must lie in
    // the buffers.
    static void fillSpan(const SpanRun& run, const uint16_t* texels);
    static void fillSpanPortable(const SpanRun& run, const uint16_t* texels);

    // Spans take the AVX2 paths where the processor has AVX2 (set at
    // start-up); clearing it runs the portable ones, with the same bits.
    static bool avx2Spans;

   private:
    // Faces first .. end - 1 through rejection, area, written-row range and
    // facing test; the faces to draw go to front in order. Returns their count.
    int32_t cullFaces(int32_t first, int32_t end, int32_t* front);
    // Face i, which cullFaces found facing the viewer: texel coordinates,
    // sort by y, fill. Faces whose picture is missing or smaller than
    // 256 x 256 are not drawn.
    void drawFace(int32_t i);
    // fillTriangle's work on corners c0, c1, c2 (sorted by y).
    void fillSorted(const RasterCorner& c0, const RasterCorner& c1, const RasterCorner& c2, const uint16_t* texels);
    // Draws the rows of one triangle part inside the clip window, from row
    // position yStart for `rows` whole rows, between the left edge (the
    // spans' first end) and the right one, both given at yStart.
    void walkPart(const RasterEdge& left, const RasterEdge& right, Fixed yStart, int64_t rows, const uint16_t* texels);

    Screen& screen;
    Mesh& mesh;
    uint16_t* backBuffer;
    Fixed* depthBuffer;
    // The mesh's clip window, kept inside the screen.
    int32_t clipLeft, clipRight;
    Fixed clipTop, clipBottom;
};
