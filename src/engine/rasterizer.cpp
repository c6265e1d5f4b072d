// Scanline triangle rasterizer: face setup and rejection, edge stepping, spans.
#include "engine/rasterizer.h"

#include <cstdint>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "display/screen.h"
#include "engine/mesh.h"
#include "gfx/image.h"

namespace {

// The engine's values wrap in 32 bits; these keep that well defined.
inline uint32_t u32(int32_t v) { return static_cast<uint32_t>(v); }
inline int32_t s32(uint32_t v) { return static_cast<int32_t>(v); }

// Whole-pixel position as 16.16 with zero fraction; positions beyond 16 bits
// wrap (the show never produces them, and every write stays clipped anyway).
inline Fixed toFixed16(int32_t pixels) { return s32(u32(pixels) << 16); }

// Environment texel coordinate from a view-space normal component:
// 128 + 128 x n, as 16.16.
inline Fixed envCoordinate(Fixed n) { return s32((u32(n) << 7) + 0x800000u); }

// Rejection bounds: a face whose corners all lie right of the last column,
// or below the last row, draws nothing (whole pixels as 16.16).
constexpr Fixed LAST_COLUMN_END = (SCREEN_WIDTH << 16) - 1;
constexpr Fixed LAST_ROW = (SCREEN_HEIGHT - 1) << 16;

inline int32_t clampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// value + k x step, wrapping exactly as k single additions would.
inline Fixed advance(Fixed value, int64_t k, Fixed step) {
    return s32(u32(value) + static_cast<uint32_t>(static_cast<uint64_t>(k)) * u32(step));
}

inline void advanceEdge(RasterEdge& e, int64_t k) {
    e.x = advance(e.x, k, e.dx);
    e.z = advance(e.z, k, e.dz);
    e.u = advance(e.u, k, e.du);
    e.v = advance(e.v, k, e.dv);
}

inline void startEdge(RasterEdge& e, const RasterCorner& from) {
    e.x = from.x;
    e.z = from.z;
    e.u = from.u;
    e.v = from.v;
}

// 2^32 / (count << 16), the 16.16 reciprocal of a whole number of rows or
// columns, is exactly 65536 / count (the 65536 cancels before the
// truncation): a table for the common counts, a division for the rest.
constexpr int RECIPROCAL_TABLE_SIZE = 1024;
struct ReciprocalTable {
    Fixed value[RECIPROCAL_TABLE_SIZE];
    constexpr ReciprocalTable() : value() {
        for (int n = 1; n < RECIPROCAL_TABLE_SIZE; n++) value[n] = 65536 / n;
    }
};
constexpr ReciprocalTable RECIPROCALS;

// count >= 1; counts come from 16.16 differences below 2^32, so count < 65536.
inline Fixed reciprocal(int64_t count) {
    return count < RECIPROCAL_TABLE_SIZE ? RECIPROCALS.value[count] : 65536 / static_cast<int32_t>(count);
}

// ((difference << 16) / (rows << 16)), truncated toward zero: the same
// rational as difference / rows, so the same truncated value.
inline Fixed exactSlope(Fixed difference, int64_t rows) { return difference / static_cast<int32_t>(rows); }

// Which step of an edge is a 16.16 quotient of its difference by the edge's
// height rather than a product with the height's reciprocal: the x step of
// edge A and the depth step of edge B are quotients, every other step is a
// product, and the two can differ in the last bit.
enum class QuotientStep { None, X, Z };

// The per-row steps of the edge from corner p to corner q over rows (> 0)
// whole rows.
inline RasterEdge edgeSteps(const RasterCorner& p, const RasterCorner& q, int64_t rows, QuotientStep quotient) {
    RasterEdge e{};
    const Fixed r = reciprocal(rows);
    e.dx = quotient == QuotientStep::X ? exactSlope(fixedSub(q.x, p.x), rows) : fixedMul(fixedSub(q.x, p.x), r);
    e.dz = quotient == QuotientStep::Z ? exactSlope(fixedSub(q.z, p.z), rows) : fixedMul(fixedSub(q.z, p.z), r);
    e.du = fixedMul(fixedSub(q.u, p.u), r);
    e.dv = fixedMul(fixedSub(q.v, p.v), r);
    return e;
}

// ---- the span's pixel loop ------------------------------------------------

// One pixel: strictly nearer only (at equal depth the pixel drawn first
// stays); the texel index is (U >> 16) | ((V >> 16) << 8) kept to its low 16
// bits, so that any coordinate stays inside the 256 x 256 picture.
inline void plotPixel(uint16_t* out, Fixed* depth, uint32_t u, uint32_t v, uint32_t z, const uint16_t* texels) {
    if (s32(z) < *depth) {
        *depth = s32(z);
        *out = texels[((u >> 16) | ((v >> 16) << 8)) & 0xFFFFu];
    }
}

// count pixels from out and depth onward, one at a time.
inline void spanPixelsPortable(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v, uint32_t z,
                               uint32_t du, uint32_t dv, uint32_t dz, const uint16_t* texels) {
    for (int32_t k = 0; k < count; k++) {
        plotPixel(out + k, depth + k, u, v, z, texels);
        u += du;
        v += dv;
        z += dz;
    }
}

#if defined(__SSE2__)
// Four pixels at a time: lane k holds the values of pixel k of each group,
// stepped by four steps at once, which wraps to the same 32-bit values as
// four single steps. The depth test and the texel index are computed for the
// four lanes together; the texels are fetched one by one. Short spans, where
// setting up the lanes costs more than it saves, go one pixel at a time.
inline void spanPixels(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v, uint32_t z, uint32_t du,
                       uint32_t dv, uint32_t dz, const uint16_t* texels) {
    if (count < 8) {
        spanPixelsPortable(out, depth, count, u, v, z, du, dv, dz, texels);
        return;
    }
    __m128i zs = _mm_setr_epi32(s32(z), s32(z + dz), s32(z + 2 * dz), s32(z + 3 * dz));
    __m128i us = _mm_setr_epi32(s32(u), s32(u + du), s32(u + 2 * du), s32(u + 3 * du));
    __m128i vs = _mm_setr_epi32(s32(v), s32(v + dv), s32(v + 2 * dv), s32(v + 3 * dv));
    const __m128i dz4 = _mm_set1_epi32(s32(4 * dz));
    const __m128i du4 = _mm_set1_epi32(s32(4 * du));
    const __m128i dv4 = _mm_set1_epi32(s32(4 * dv));
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    alignas(16) uint32_t index[4];
    for (; count >= 4; count -= 4, out += 4, depth += 4) {
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth));
        const __m128i nearer = _mm_cmpgt_epi32(old, zs);  // z < depth, signed
        const int mask = _mm_movemask_ps(_mm_castsi128_ps(nearer));
        if (mask) {
            const __m128i kept = _mm_or_si128(_mm_and_si128(nearer, zs), _mm_andnot_si128(nearer, old));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(depth), kept);
            const __m128i row = _mm_slli_epi32(_mm_srli_epi32(vs, 16), 8);
            _mm_store_si128(reinterpret_cast<__m128i*>(index),
                            _mm_and_si128(_mm_or_si128(_mm_srli_epi32(us, 16), row), low16));
            if (mask == 15) {
                out[0] = texels[index[0]];
                out[1] = texels[index[1]];
                out[2] = texels[index[2]];
                out[3] = texels[index[3]];
            } else {
                if (mask & 1) out[0] = texels[index[0]];
                if (mask & 2) out[1] = texels[index[1]];
                if (mask & 4) out[2] = texels[index[2]];
                if (mask & 8) out[3] = texels[index[3]];
            }
        }
        zs = _mm_add_epi32(zs, dz4);
        us = _mm_add_epi32(us, du4);
        vs = _mm_add_epi32(vs, dv4);
    }
    spanPixelsPortable(out, depth, count, static_cast<uint32_t>(_mm_cvtsi128_si32(us)),
                       static_cast<uint32_t>(_mm_cvtsi128_si32(vs)), static_cast<uint32_t>(_mm_cvtsi128_si32(zs)), du,
                       dv, dz, texels);
}
#else
inline void spanPixels(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v, uint32_t z, uint32_t du,
                       uint32_t dv, uint32_t dz, const uint16_t* texels) {
    spanPixelsPortable(out, depth, count, u, v, z, du, dv, dz, texels);
}
#endif

}  // namespace

Rasterizer::Rasterizer(Screen& screen_, Mesh& mesh_)
    : screen(screen_),
      mesh(mesh_),
      backBuffer(screen_.backBuffer),
      depthBuffer(screen_.depthBuffer),
      clipLeft(clampInt(mesh_.clipLeft, 0, SCREEN_WIDTH)),
      clipRight(clampInt(mesh_.clipRight, 0, SCREEN_WIDTH)),
      clipTop(clampInt(mesh_.clipTop, 0, MESH_CLIP_BOTTOM)),
      clipBottom(clampInt(mesh_.clipBottom, 0, MESH_CLIP_BOTTOM)) {}

void Rasterizer::drawFace(int32_t i) {
    // Stage 1: gather the corners, guarding every index into the mesh.
    const MeshFace& face = mesh.faces[i];
    const int32_t corner[3] = {face.a, face.b, face.c};
    for (int32_t k : corner)
        if (k < 0 || k >= mesh.vertexCount) return;
    const bool env = face.materialId == ENV_MATERIAL;
    const Image* source = env ? mesh.envMap : mesh.texture;
    const TexFace& texFace = mesh.texFaces[i];
    const int32_t texCorner[3] = {texFace.a, texFace.b, texFace.c};
    if (!env)
        for (int32_t k : texCorner)
            if (k < 0 || k >= mesh.texCoordCount) return;

    RasterCorner c[3];
    for (int k = 0; k < 3; k++) {
        const int32_t v = corner[k];
        c[k].x = toFixed16(mesh.screenX[v]);
        c[k].y = toFixed16(mesh.screenY[v]);
        c[k].z = mesh.viewZ[v];
        if (env) {
            c[k].u = envCoordinate(mesh.vertices[v].rnx);
            c[k].v = envCoordinate(mesh.vertices[v].rny);
        } else {
            c[k].u = mesh.texCoords[texCorner[k]].u;
            c[k].v = mesh.texCoords[texCorner[k]].v;
        }
    }

    // Stage 2: rejection. Behind the viewer (a vertex at depth exactly 0 has
    // been given depth -1 by the transform), then entirely left or right.
    if (c[0].z < 0 || c[1].z < 0 || c[2].z < 0) return;
    if (c[0].x < 0 && c[1].x < 0 && c[2].x < 0) return;
    if (c[0].x > LAST_COLUMN_END && c[1].x > LAST_COLUMN_END && c[2].x > LAST_COLUMN_END) return;

    // Stage 3: doubled signed area on whole pixels, in the face's own order.
    // 128 bits: the differences of two int32 positions need 33 bits, their
    // products 66, so not even 64 bits are enough for any input.
    const int64_t x0 = mesh.screenX[corner[0]], y0 = mesh.screenY[corner[0]];
    const int64_t dx1 = mesh.screenX[corner[1]] - x0, dy1 = mesh.screenY[corner[1]] - y0;
    const int64_t dx2 = mesh.screenX[corner[2]] - x0, dy2 = mesh.screenY[corner[2]] - y0;
    const __int128 area = static_cast<__int128>(dx1) * dy2 - static_cast<__int128>(dx2) * dy1;
    mesh.faceArea[i] = area > INT32_MAX ? INT32_MAX : (area < INT32_MIN ? INT32_MIN : static_cast<int32_t>(area));

    // Stage 4: sort by y; equal y never exchange.
    if (c[0].y > c[1].y) std::swap(c[0], c[1]);
    if (c[1].y > c[2].y) std::swap(c[1], c[2]);
    if (c[0].y > c[1].y) std::swap(c[0], c[1]);

    // Stage 5: entirely below or above the screen.
    if (c[0].y > LAST_ROW || c[2].y < 0) return;

    // Stage 6: the written-row range, widened before the facing test so faces
    // turned away count too; not clamped here (clearDepth clamps).
    if ((c[0].y >> 16) < screen.depthMinRow) screen.depthMinRow = c[0].y >> 16;
    if ((c[2].y >> 16) > screen.depthMaxRow) screen.depthMaxRow = c[2].y >> 16;

    // Stage 7: only faces running counter-clockwise on screen (y down) are drawn.
    if (area >= 0) return;

    // Texel indices cover 0..65535: a smaller picture would be read past its
    // end. Checked only here, so the face still counts in the area and the
    // written-row range like any other.
    if (!source || !source->pixels || source->pixelCount < 65536) return;
    fillTriangle(c, source->pixels);
}

void Rasterizer::fillTriangle(const RasterCorner c[3], const uint16_t* texels) {
    // Edge A: corner 0 to 1; B: 0 to 2 (the long edge); C: 1 to 2. Heights
    // are whole rows times 65536, taken in 64 bits so that they never wrap.
    const int64_t heightA = static_cast<int64_t>(c[1].y) - c[0].y;
    const int64_t heightB = static_cast<int64_t>(c[2].y) - c[0].y;
    const int64_t heightC = static_cast<int64_t>(c[2].y) - c[1].y;

    // Whole rows: the y values have no fraction.
    const int64_t rowsA = heightA >> 16, rowsB = heightB >> 16, rowsC = heightC >> 16;
    // An edge of no height never steps.
    RasterEdge a = heightA > 0 ? edgeSteps(c[0], c[1], rowsA, QuotientStep::X) : RasterEdge{};
    RasterEdge b = heightB > 0 ? edgeSteps(c[0], c[2], rowsB, QuotientStep::Z) : RasterEdge{};
    RasterEdge e = heightC > 0 ? edgeSteps(c[1], c[2], rowsC, QuotientStep::None) : RasterEdge{};
    // The choice of the first span end is made once, from A against B.
    const bool aIsLeft = a.dx <= b.dx;

    startEdge(a, c[0]);
    startEdge(b, c[0]);
    if (aIsLeft)
        walkPart(a, b, c[0].y, rowsA, texels);
    else
        walkPart(b, a, c[0].y, rowsA, texels);

    startEdge(e, c[1]);
    if (aIsLeft)
        walkPart(e, b, c[1].y, rowsC, texels);
    else
        walkPart(b, e, c[1].y, rowsC, texels);
}

void Rasterizer::walkPart(RasterEdge& left, RasterEdge& right, Fixed yStart, int64_t rows, const uint16_t* texels) {
    if (rows <= 0) return;
    // Row k of the part sits at y = yStart + k x 65536; only rows with
    // clipTop <= y < clipBottom are drawn. The edges still advance over the
    // skipped rows: jumping k rows at once gives the same wrapped values.
    const int64_t y0 = yStart;
    int64_t first = 0;
    if (clipTop > y0) first = (clipTop - y0 + 0xFFFF) >> 16;
    int64_t end = 0;
    if (clipBottom > y0) end = (clipBottom - y0 + 0xFFFF) >> 16;
    if (end > rows) end = rows;

    if (first < end) {
        RasterEdge l = left, r = right;
        advanceEdge(l, first);
        advanceEdge(r, first);
        int32_t row = static_cast<int32_t>((y0 >> 16) + first);
        for (int64_t k = first; k < end; k++, row++) {
            drawSpan(l.x >> 16, r.x >> 16, row, l.u, l.v, r.u, r.v, l.z, r.z, texels);
            advanceEdge(l, 1);
            advanceEdge(r, 1);
        }
    }
    advanceEdge(left, rows);
    advanceEdge(right, rows);
}

void Rasterizer::drawSpan(int32_t x1, int32_t x2, int32_t row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1,
                          Fixed z2, const uint16_t* texels) {
    if (x1 < 0 && x2 < 0) return;
    if (x1 > SCREEN_WIDTH - 1 && x2 > SCREEN_WIDTH - 1) return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(u1, u2);
        std::swap(v1, v2);
        std::swap(z1, z2);
    }
    uint32_t du = 0, dv = 0, dz = 0;
    if (x2 - x1 > 0) {
        // x values come from 16.16 positions, so the width is below 2^16.
        const Fixed r = reciprocal(x2 - x1);
        du = u32(fixedMul(fixedSub(u2, u1), r));
        dv = u32(fixedMul(fixedSub(v2, v1), r));
        dz = u32(fixedMul(fixedSub(z2, z1), r));
    }
    const int32_t last = x2 < clipRight ? x2 : clipRight - 1;
    uint32_t u = u32(u1), v = u32(v1), z = u32(z1);
    if (x1 < clipLeft) {
        const uint32_t s = static_cast<uint32_t>(clipLeft - x1);
        u += s * du;
        v += s * dv;
        z += s * dz;
        x1 = clipLeft;
    }
    if (last < x1) return;

    spanPixels(backBuffer + row * SCREEN_WIDTH + x1, depthBuffer + row * SCREEN_WIDTH + x1, last - x1 + 1, u, v, z,
               du, dv, dz, texels);
}

void Rasterizer::fillSpan(const SpanRun& run, const uint16_t* texels) {
    spanPixels(run.out, run.depth, run.count, run.u, run.v, run.z, run.du, run.dv, run.dz, texels);
}

void Rasterizer::fillSpanPortable(const SpanRun& run, const uint16_t* texels) {
    spanPixelsPortable(run.out, run.depth, run.count, run.u, run.v, run.z, run.du, run.dv, run.dz, texels);
}
