// Scanline triangle rasterizer: face setup and rejection, edge stepping, spans.
#include "engine/rasterizer.h"

#include <cstdint>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(AMBRELLE_NO_VECTOR_CLONES)
#include <immintrin.h>
#define AMBRELLE_SHORT_SPANS_AVX2 1
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

// count >= 0, with 0 for count 0 (the table's entry 0). Counts come from
// 16.16 differences below 2^32, so count < 65536.
inline Fixed reciprocalOrZero(int64_t count) {
    return count < RECIPROCAL_TABLE_SIZE ? RECIPROCALS.value[count] : 65536 / static_cast<int32_t>(count);
}

// ((difference << 16) / (rows << 16)), truncated toward zero: the same
// rational as difference / rows, so the same truncated value; 0 for no rows.
inline Fixed exactSlope(Fixed difference, int64_t rows) {
    const Fixed quotient = difference / static_cast<int32_t>(rows > 0 ? rows : 1);
    return rows > 0 ? quotient : 0;
}

// Which step of an edge is a 16.16 quotient of its difference by the edge's
// height rather than a product with the height's reciprocal: the x step of
// edge A and the depth step of edge B are quotients, every other step is a
// product, and the two can differ in the last bit.
enum class QuotientStep { None, X, Z };

// The per-row steps of the edge from corner p to corner q over rows (>= 0)
// whole rows; an edge of no height never steps (all four steps 0, which the
// reciprocal 0 gives without a branch).
inline RasterEdge edgeSteps(const RasterCorner& p, const RasterCorner& q, int64_t rows, QuotientStep quotient) {
    RasterEdge e{};
    const Fixed r = reciprocalOrZero(rows);
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
// Four pixels from out and depth onward, lane k holding the values of pixel
// k, old their depths. The depth test and the texel index are computed for
// the four lanes together; the texels are fetched one by one.
inline void spanGroup(uint16_t* out, Fixed* depth, __m128i old, __m128i zs, __m128i us, __m128i vs,
                      const uint16_t* texels) {
    const __m128i nearer = _mm_cmpgt_epi32(old, zs);  // z < depth, signed
    const int mask = _mm_movemask_ps(_mm_castsi128_ps(nearer));
    if (!mask) return;
    const __m128i kept = _mm_or_si128(_mm_and_si128(nearer, zs), _mm_andnot_si128(nearer, old));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(depth), kept);
    const __m128i row = _mm_slli_epi32(_mm_srli_epi32(vs, 16), 8);
    alignas(16) uint32_t index[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_and_si128(_mm_or_si128(_mm_srli_epi32(us, 16), row), _mm_set1_epi32(0xFFFF)));
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

// Four pixels at a time: the lanes are stepped by four steps at once, which
// wraps to the same 32-bit values as four single steps. The last group is
// the span's last four pixels, whatever overlap that makes with the group
// before: a pixel drawn again sees its own depth, fails the strict test and
// keeps its texel, so no pixel-by-pixel tail (whose length changes from row
// to row and defeats the branch predictor) is needed. Short spans, where
// setting up the lanes costs more than it saves, go one pixel at a time.
inline void spanPixels(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v, uint32_t z, uint32_t du,
                       uint32_t dv, uint32_t dz, const uint16_t* texels) {
    if (count < 8) {
        spanPixelsPortable(out, depth, count, u, v, z, du, dv, dz, texels);
        return;
    }
    const __m128i laneZ = _mm_setr_epi32(0, s32(dz), s32(2 * dz), s32(3 * dz));
    const __m128i laneU = _mm_setr_epi32(0, s32(du), s32(2 * du), s32(3 * du));
    const __m128i laneV = _mm_setr_epi32(0, s32(dv), s32(2 * dv), s32(3 * dv));
    __m128i zs = _mm_add_epi32(_mm_set1_epi32(s32(z)), laneZ);
    __m128i us = _mm_add_epi32(_mm_set1_epi32(s32(u)), laneU);
    __m128i vs = _mm_add_epi32(_mm_set1_epi32(s32(v)), laneV);
    const __m128i dz4 = _mm_set1_epi32(s32(4 * dz));
    const __m128i du4 = _mm_set1_epi32(s32(4 * du));
    const __m128i dv4 = _mm_set1_epi32(s32(4 * dv));
    // The last group's depths are read before any group is drawn: a read of
    // depths the group before has just stored in part must wait for that
    // store to complete, which costs more than the rest of a group. The
    // pixels the two share get the same depth and texel either way, the
    // values read before being the ones that group tested.
    const __m128i lastOld = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth + count - 4));
    for (int32_t k = 0; k < count - 4; k += 4) {
        spanGroup(out + k, depth + k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth + k)), zs, us, vs, texels);
        zs = _mm_add_epi32(zs, dz4);
        us = _mm_add_epi32(us, du4);
        vs = _mm_add_epi32(vs, dv4);
    }
    // Pixel count - 4 is that many steps on, wrapping like single steps.
    const uint32_t steps = static_cast<uint32_t>(count - 4);
    spanGroup(out + count - 4, depth + count - 4, lastOld, _mm_add_epi32(_mm_set1_epi32(s32(z + steps * dz)), laneZ),
              _mm_add_epi32(_mm_set1_epi32(s32(u + steps * du)), laneU),
              _mm_add_epi32(_mm_set1_epi32(s32(v + steps * dv)), laneV), texels);
}
#else
inline void spanPixels(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v, uint32_t z, uint32_t du,
                       uint32_t dv, uint32_t dz, const uint16_t* texels) {
    spanPixelsPortable(out, depth, count, u, v, z, du, dv, dz, texels);
}
#endif

#if defined(AMBRELLE_SHORT_SPANS_AVX2)
// A span of 1..8 pixels in one go, with no branch on its length or on the
// depth tests: most spans of a distant mesh are this short, and a loop over
// them mispredicts its exit nearly every time. Eight lanes are read and
// written back; the lanes past the span keep their own values, so the
// caller must leave eight pixels of room in the row. The eight texels are
// read one by one into the lanes (every index is below 65536, so no lane
// reads past the picture): a gather of them is several times slower on
// recent Intel processors, whose microcode slows every gather down.
__attribute__((target("avx2"))) void shortSpanAvx2(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v,
                                                   uint32_t z, uint32_t du, uint32_t dv, uint32_t dz,
                                                   const uint16_t* texels) {
    // Lane k is k steps on; the products wrap like k single steps.
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i zs =
        _mm256_add_epi32(_mm256_set1_epi32(s32(z)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(dz))));
    const __m256i us =
        _mm256_add_epi32(_mm256_set1_epi32(s32(u)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(du))));
    const __m256i vs =
        _mm256_add_epi32(_mm256_set1_epi32(s32(v)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(dv))));
    const __m256i inSpan = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane);
    __m256i* depthAt = reinterpret_cast<__m256i*>(depth);
    const __m256i old = _mm256_loadu_si256(depthAt);
    const __m256i nearer = _mm256_and_si256(_mm256_cmpgt_epi32(old, zs), inSpan);  // z < depth, signed
    _mm256_storeu_si256(depthAt, _mm256_blendv_epi8(old, zs, nearer));
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    const __m256i index = _mm256_and_si256(
        _mm256_or_si256(_mm256_srli_epi32(us, 16), _mm256_slli_epi32(_mm256_srli_epi32(vs, 16), 8)), low16);
    alignas(32) uint32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
    __m128i packed = _mm_cvtsi32_si128(texels[at[0]]);
    packed = _mm_insert_epi16(packed, texels[at[1]], 1);
    packed = _mm_insert_epi16(packed, texels[at[2]], 2);
    packed = _mm_insert_epi16(packed, texels[at[3]], 3);
    packed = _mm_insert_epi16(packed, texels[at[4]], 4);
    packed = _mm_insert_epi16(packed, texels[at[5]], 5);
    packed = _mm_insert_epi16(packed, texels[at[6]], 6);
    packed = _mm_insert_epi16(packed, texels[at[7]], 7);
    const __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(nearer, nearer), 0x08));
    __m128i* outAt = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(outAt, _mm_blendv_epi8(_mm_loadu_si128(outAt), packed, keep));
}

// Eight pixels of a long span, as spanGroup does four: the texels are
// fetched one by one (loading them into the lanes and blending, as the short
// step does, costs more here than stores behind a well-predicted branch).
__attribute__((target("avx2"))) inline void spanGroupAvx2(uint16_t* out, Fixed* depth, __m256i old, __m256i zs,
                                                          __m256i us, __m256i vs, const uint16_t* texels) {
    const __m256i nearer = _mm256_cmpgt_epi32(old, zs);  // z < depth, signed
    const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(nearer));
    if (!mask) return;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(depth), _mm256_blendv_epi8(old, zs, nearer));
    const __m256i indices =
        _mm256_and_si256(_mm256_or_si256(_mm256_srli_epi32(us, 16), _mm256_slli_epi32(_mm256_srli_epi32(vs, 16), 8)),
                         _mm256_set1_epi32(0xFFFF));
    // Where a picture is stretched wide (the sky behind the biplane spans
    // the screen with a strip of six texels), the eight lanes fall on no
    // more than two texels, their first lane's and their last's: two
    // fetches, lanes blended between them, one store.
    const __m256i first = _mm256_permutevar8x32_epi32(indices, _mm256_setzero_si256());
    const __m256i last = _mm256_permutevar8x32_epi32(indices, _mm256_set1_epi32(7));
    const __m256i onLast = _mm256_cmpeq_epi32(indices, last);
    if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi32(indices, first), onLast)) == -1) {
        const __m128i pick = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(onLast, onLast), 0x08));
        const __m128i colour =
            _mm_blendv_epi8(_mm_set1_epi16(static_cast<int16_t>(texels[_mm256_cvtsi256_si32(first)])),
                            _mm_set1_epi16(static_cast<int16_t>(texels[_mm256_cvtsi256_si32(last)])), pick);
        __m128i* outAt = reinterpret_cast<__m128i*>(out);
        if (mask == 255) {
            _mm_storeu_si128(outAt, colour);
        } else {
            const __m128i keep =
                _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(nearer, nearer), 0x08));
            _mm_storeu_si128(outAt, _mm_blendv_epi8(_mm_loadu_si128(outAt), colour, keep));
        }
        return;
    }
    alignas(32) uint32_t index[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(index), indices);
    if (mask == 255) {
        for (int j = 0; j < 8; j++) out[j] = texels[index[j]];
    } else {
        for (int j = 0; j < 8; j++)
            if (mask & (1 << j)) out[j] = texels[index[j]];
    }
}

// A span of more than eight pixels, eight lanes at a time, ending like
// spanPixels with an overlapping group whose depths are read first.
__attribute__((target("avx2"))) void longSpanAvx2(uint16_t* out, Fixed* depth, int32_t count, uint32_t u, uint32_t v,
                                                  uint32_t z, uint32_t du, uint32_t dv, uint32_t dz,
                                                  const uint16_t* texels) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i laneZ = _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(dz)));
    const __m256i laneU = _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(du)));
    const __m256i laneV = _mm256_mullo_epi32(lane, _mm256_set1_epi32(s32(dv)));
    __m256i zs = _mm256_add_epi32(_mm256_set1_epi32(s32(z)), laneZ);
    __m256i us = _mm256_add_epi32(_mm256_set1_epi32(s32(u)), laneU);
    __m256i vs = _mm256_add_epi32(_mm256_set1_epi32(s32(v)), laneV);
    const __m256i dz8 = _mm256_set1_epi32(s32(8 * dz));
    const __m256i du8 = _mm256_set1_epi32(s32(8 * du));
    const __m256i dv8 = _mm256_set1_epi32(s32(8 * dv));
    const __m256i lastOld = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth + count - 8));
    for (int32_t k = 0; k < count - 8; k += 8) {
        spanGroupAvx2(out + k, depth + k, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth + k)), zs, us, vs,
                      texels);
        zs = _mm256_add_epi32(zs, dz8);
        us = _mm256_add_epi32(us, du8);
        vs = _mm256_add_epi32(vs, dv8);
    }
    const uint32_t steps = static_cast<uint32_t>(count - 8);
    spanGroupAvx2(out + count - 8, depth + count - 8, lastOld,
                  _mm256_add_epi32(_mm256_set1_epi32(s32(z + steps * dz)), laneZ),
                  _mm256_add_epi32(_mm256_set1_epi32(s32(u + steps * du)), laneU),
                  _mm256_add_epi32(_mm256_set1_epi32(s32(v + steps * dv)), laneV), texels);
}
#endif

// One span on the row whose pixels start at backRow and depthRow: x1, x2 in
// whole pixels, the ends in either order (equal columns take the first
// end's values), clipped to columns clipLeft .. clipRight - 1 (inside the
// screen). The columns it may write widen the row's drawn range in
// drawnFirst and drawnEnd (Screen::depthDrawnFirst, depthDrawnEnd).
inline void spanRow(int32_t x1, int32_t x2, uint32_t u1, uint32_t v1, uint32_t z1, uint32_t u2, uint32_t v2,
                    uint32_t z2, uint16_t* backRow, Fixed* depthRow, int32_t* drawnFirst, int32_t* drawnEnd,
                    int32_t clipLeft, int32_t clipRight, const uint16_t* texels) {
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(u1, u2);
        std::swap(v1, v2);
        std::swap(z1, z2);
    }
    // Both ends left of the screen, or both right of it.
    if (x2 < 0 || x1 > SCREEN_WIDTH - 1) return;
    // x values come from 16.16 positions, so the width is below 2^16; the
    // table's entry 0 is 0, the steps of a span of one pixel.
    const Fixed r = reciprocalOrZero(x2 - x1);
    const uint32_t du = u32(fixedMul(s32(u2 - u1), r));
    const uint32_t dv = u32(fixedMul(s32(v2 - v1), r));
    const uint32_t dz = u32(fixedMul(s32(z2 - z1), r));
    const int32_t last = x2 < clipRight ? x2 : clipRight - 1;
    if (x1 < clipLeft) {
        const uint32_t s = static_cast<uint32_t>(clipLeft - x1);
        u1 += s * du;
        v1 += s * dv;
        z1 += s * dz;
        x1 = clipLeft;
    }
    if (last < x1) return;
    *drawnFirst = x1 < *drawnFirst ? x1 : *drawnFirst;
    *drawnEnd = last >= *drawnEnd ? last + 1 : *drawnEnd;
    // One or two pixels, the commonest spans of a distant mesh: cheaper one
    // by one than through any lanes.
    if (last - x1 < 2) {
        plotPixel(backRow + x1, depthRow + x1, u1, v1, z1, texels);
        if (last > x1) plotPixel(backRow + last, depthRow + last, u1 + du, v1 + dv, z1 + dz, texels);
        return;
    }
#if defined(AMBRELLE_SHORT_SPANS_AVX2)
    if (last - x1 < 8 && x1 <= SCREEN_WIDTH - 8 && Rasterizer::avx2Spans) {
        shortSpanAvx2(backRow + x1, depthRow + x1, last - x1 + 1, u1, v1, z1, du, dv, dz, texels);
        return;
    }
    if (last - x1 >= 8 && Rasterizer::avx2Spans) {
        longSpanAvx2(backRow + x1, depthRow + x1, last - x1 + 1, u1, v1, z1, du, dv, dz, texels);
        return;
    }
#endif
    spanPixels(backRow + x1, depthRow + x1, last - x1 + 1, u1, v1, z1, du, dv, dz, texels);
}

}  // namespace

#if defined(AMBRELLE_SHORT_SPANS_AVX2)
bool Rasterizer::avx2Spans = __builtin_cpu_supports("avx2");
#else
bool Rasterizer::avx2Spans = false;
#endif

Rasterizer::Rasterizer(Screen& screen_, Mesh& mesh_)
    : screen(screen_),
      mesh(mesh_),
      backBuffer(screen_.backBuffer),
      depthBuffer(screen_.depthBuffer),
      clipLeft(clampInt(mesh_.clipLeft, 0, SCREEN_WIDTH)),
      clipRight(clampInt(mesh_.clipRight, 0, SCREEN_WIDTH)),
      clipTop(clampInt(mesh_.clipTop, 0, MESH_CLIP_BOTTOM)),
      clipBottom(clampInt(mesh_.clipBottom, 0, MESH_CLIP_BOTTOM)) {}

void Rasterizer::drawMesh() {
    // A mesh whose every vertex lies left of the screen, or every vertex
    // right of it, has every face rejected by the column test before
    // anything is recorded: nothing to do.
    Fixed allLeft = -1, leftmost = INT32_MAX;
    for (int32_t v = 0; v < mesh.vertexCount; v++) {
        const Fixed x = toFixed16(mesh.screenX[v]);
        allLeft &= x;
        leftmost = x < leftmost ? x : leftmost;
    }
    if (allLeft < 0 || leftmost > LAST_COLUMN_END) return;

    // A block of faces is culled in one pass (the facing test, the least
    // predictable, lists the face without a branch), then its front faces
    // are drawn in order. Culling writes only faceArea and the written-row
    // range, which drawing never reads, so the bits are those of taking each
    // face in turn.
    constexpr int32_t BLOCK = 256;
    int32_t front[BLOCK];
    for (int32_t first = 0; first < mesh.faceCount; first += BLOCK) {
        const int32_t end = mesh.faceCount - first < BLOCK ? mesh.faceCount : first + BLOCK;
        const int32_t count = cullFaces(first, end, front);
        for (int32_t k = 0; k < count; k++) drawFace(front[k]);
    }
}

int32_t Rasterizer::cullFaces(int32_t first, int32_t end, int32_t* front) {
    const uint32_t vertexCount = static_cast<uint32_t>(mesh.vertexCount);
    const uint32_t texCoordCount = static_cast<uint32_t>(mesh.texCoordCount);
    const int32_t* screenX = mesh.screenX;
    const int32_t* screenY = mesh.screenY;
    const Fixed* viewZ = mesh.viewZ;
    int32_t minRow = screen.depthMinRow, maxRow = screen.depthMaxRow;
    int32_t count = 0;
    for (int32_t i = first; i < end; i++) {
        // Indices outside the arrays skip the face before anything is
        // recorded (negative ones are huge as unsigned).
        const MeshFace& face = mesh.faces[i];
        const uint32_t a = u32(face.a), b = u32(face.b), c = u32(face.c);
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount) continue;
        if (face.materialId != ENV_MATERIAL) {
            const TexFace& t = mesh.texFaces[i];
            if (u32(t.a) >= texCoordCount || u32(t.b) >= texCoordCount || u32(t.c) >= texCoordCount) continue;
        }

        // Behind the viewer (a vertex at depth exactly 0 has been given depth
        // -1 by the transform), then entirely left or right, on the 16.16
        // positions.
        if ((viewZ[a] | viewZ[b] | viewZ[c]) < 0) continue;
        const int32_t sxa = screenX[a], sxb = screenX[b], sxc = screenX[c];
        const Fixed xa = toFixed16(sxa), xb = toFixed16(sxb), xc = toFixed16(sxc);
        if ((xa & xb & xc) < 0) continue;
        const Fixed xMin = xa < xb ? (xa < xc ? xa : xc) : (xb < xc ? xb : xc);
        if (xMin > LAST_COLUMN_END) continue;

        // Doubled signed area on whole pixels, in the face's own order. The
        // differences of two int32 positions need 33 bits and their products
        // 66: 64 bits suffice while every position lies within 2^30 of 0,
        // 128 bits otherwise.
        const int32_t sya = screenY[a], syb = screenY[b], syc = screenY[c];
        const uint32_t wide = (u32(sxa) + 0x40000000u) | (u32(sxb) + 0x40000000u) | (u32(sxc) + 0x40000000u) |
                              (u32(sya) + 0x40000000u) | (u32(syb) + 0x40000000u) | (u32(syc) + 0x40000000u);
        int64_t area;
        if ((wide & 0x80000000u) == 0) {
            area = (static_cast<int64_t>(sxb) - sxa) * (static_cast<int64_t>(syc) - sya) -
                   (static_cast<int64_t>(sxc) - sxa) * (static_cast<int64_t>(syb) - sya);
        } else {
            const int64_t dx1 = static_cast<int64_t>(sxb) - sxa, dy1 = static_cast<int64_t>(syb) - sya;
            const int64_t dx2 = static_cast<int64_t>(sxc) - sxa, dy2 = static_cast<int64_t>(syc) - sya;
            const __int128 exact = static_cast<__int128>(dx1) * dy2 - static_cast<__int128>(dx2) * dy1;
            // Only the sign and the saturated value matter from here on.
            area = exact > INT64_MAX ? INT64_MAX : (exact < INT64_MIN ? INT64_MIN : static_cast<int64_t>(exact));
        }
        mesh.faceArea[i] = static_cast<int32_t>(area > INT32_MAX ? INT32_MAX : (area < INT32_MIN ? INT32_MIN : area));

        // Entirely below or above the screen, on the top and bottom corners'
        // 16.16 rows; the range is widened before the facing test, so that
        // faces turned away count too (not clamped here: clearDepth clamps).
        const Fixed ya = toFixed16(sya), yb = toFixed16(syb), yc = toFixed16(syc);
        const Fixed yMin = ya < yb ? (ya < yc ? ya : yc) : (yb < yc ? yb : yc);
        const Fixed yMax = ya > yb ? (ya > yc ? ya : yc) : (yb > yc ? yb : yc);
        if (yMin > LAST_ROW || yMax < 0) continue;
        minRow = (yMin >> 16) < minRow ? yMin >> 16 : minRow;
        maxRow = (yMax >> 16) > maxRow ? yMax >> 16 : maxRow;

        // Only faces running counter-clockwise on screen (y down) are drawn.
        front[count] = i;
        count += area < 0;
    }
    screen.depthMinRow = minRow;
    screen.depthMaxRow = maxRow;
    return count;
}

// The body of fillTriangle, inlined into drawFace: its corners are passed
// one by one, never copied into an array, since copying corners just written
// field by field costs more than the rest of a small face's setup.
__attribute__((always_inline)) inline void Rasterizer::fillSorted(const RasterCorner& c0, const RasterCorner& c1,
                                                                  const RasterCorner& c2, const uint16_t* texels) {
    // Edge A: corner 0 to 1; B: 0 to 2 (the long edge); C: 1 to 2. Heights
    // are whole rows times 65536, taken in 64 bits so that they never wrap.
    const int64_t heightA = static_cast<int64_t>(c1.y) - c0.y;
    const int64_t heightB = static_cast<int64_t>(c2.y) - c0.y;
    const int64_t heightC = static_cast<int64_t>(c2.y) - c1.y;

    // Whole rows: the y values have no fraction, and sorted corners keep
    // them >= 0 (held there whatever the caller passes, so that no
    // reciprocal is looked up outside its table).
    const int64_t rowsA = heightA > 0 ? heightA >> 16 : 0;
    const int64_t rowsB = heightB > 0 ? heightB >> 16 : 0;
    const int64_t rowsC = heightC > 0 ? heightC >> 16 : 0;
    RasterEdge a = edgeSteps(c0, c1, rowsA, QuotientStep::X);
    RasterEdge b = edgeSteps(c0, c2, rowsB, QuotientStep::Z);
    RasterEdge e = edgeSteps(c1, c2, rowsC, QuotientStep::None);
    startEdge(a, c0);
    startEdge(b, c0);
    startEdge(e, c1);
    // The choice of the first span end is made once, from A against B; the
    // sides are picked by index rather than by a branch.
    const int aIsLeft = a.dx <= b.dx;
    const RasterEdge* const topSides[2][2] = {{&b, &a}, {&a, &b}};
    walkPart(*topSides[aIsLeft][0], *topSides[aIsLeft][1], c0.y, rowsA, texels);

    // B goes on from where the top part left it; C starts at corner 1.
    advanceEdge(b, rowsA);
    const RasterEdge* const bottomSides[2][2] = {{&b, &e}, {&e, &b}};
    walkPart(*bottomSides[aIsLeft][0], *bottomSides[aIsLeft][1], c1.y, rowsC, texels);
}

void Rasterizer::fillTriangle(const RasterCorner c[3], const uint16_t* texels) { fillSorted(c[0], c[1], c[2], texels); }

void Rasterizer::drawFace(int32_t i) {
    const MeshFace& face = mesh.faces[i];
    const bool env = face.materialId == ENV_MATERIAL;
    // Texel indices cover 0..65535: a smaller picture would be read past its
    // end. Checked only here, so the face still counts in the area and the
    // written-row range like any other.
    const Image* source = env ? mesh.envMap : mesh.texture;
    if (!source || !source->pixels || source->pixelCount < 65536) return;

    const int32_t corner[3] = {face.a, face.b, face.c};
    const TexFace& texFace = mesh.texFaces[i];
    const int32_t texCorner[3] = {texFace.a, texFace.b, texFace.c};
    RasterCorner given[3];
    for (int k = 0; k < 3; k++) {
        const int32_t v = corner[k];
        given[k].x = toFixed16(mesh.screenX[v]);
        given[k].y = toFixed16(mesh.screenY[v]);
        given[k].z = mesh.viewZ[v];
        if (env) {
            given[k].u = envCoordinate(mesh.vertices[v].rnx);
            given[k].v = envCoordinate(mesh.vertices[v].rny);
        } else {
            given[k].u = mesh.texCoords[texCorner[k]].u;
            given[k].v = mesh.texCoords[texCorner[k]].v;
        }
    }
    // Sort by y with three compare-exchanges, equal y never exchanging; the
    // exchanges pick corner numbers (as conditional moves) rather than move
    // the corners.
    int p = 0, q = 1, r = 2;
    auto order = [&given](int& first, int& second) {
        const bool exchange = given[first].y > given[second].y;
        const int low = exchange ? second : first;
        second = exchange ? first : second;
        first = low;
    };
    order(p, q);
    order(q, r);
    order(p, q);
    fillSorted(given[p], given[q], given[r], source->pixels);
}

void Rasterizer::walkPart(const RasterEdge& left, const RasterEdge& right, Fixed yStart, int64_t rows,
                          const uint16_t* texels) {
    // Row k of the part sits at y = yStart + k x 65536; only rows with
    // clipTop <= y < clipBottom are drawn, starting from the edges advanced
    // over the skipped rows (jumping k rows at once gives the same wrapped
    // values as k steps).
    const int64_t y0 = yStart;
    int64_t first = 0;
    if (clipTop > y0) first = (clipTop - y0 + 0xFFFF) >> 16;
    int64_t end = 0;
    if (clipBottom > y0) end = (clipBottom - y0 + 0xFFFF) >> 16;
    if (end > rows) end = rows;
    if (first >= end) return;

    RasterEdge l = left, r = right;
    if (first > 0) {
        advanceEdge(l, first);
        advanceEdge(r, first);
    }
    // Everything the rows need in locals: the pixel stores cannot then be
    // taken to change the edges, the clip window or the buffers.
    uint32_t lx = u32(l.x), lz = u32(l.z), lu = u32(l.u), lv = u32(l.v);
    uint32_t rx = u32(r.x), rz = u32(r.z), ru = u32(r.u), rv = u32(r.v);
    const uint32_t ldx = u32(l.dx), ldz = u32(l.dz), ldu = u32(l.du), ldv = u32(l.dv);
    const uint32_t rdx = u32(r.dx), rdz = u32(r.dz), rdu = u32(r.du), rdv = u32(r.dv);
    const int32_t row = static_cast<int32_t>((y0 >> 16) + first);
    uint16_t* backRow = backBuffer + row * SCREEN_WIDTH;
    Fixed* depthRow = depthBuffer + row * SCREEN_WIDTH;
    int32_t* drawnFirst = screen.depthDrawnFirst + row;
    int32_t* drawnEnd = screen.depthDrawnEnd + row;
    const int32_t columnFirst = clipLeft, columnEnd = clipRight;
    for (int64_t k = first; k < end; k++, drawnFirst++, drawnEnd++) {
        spanRow(s32(lx) >> 16, s32(rx) >> 16, lu, lv, lz, ru, rv, rz, backRow, depthRow, drawnFirst, drawnEnd,
                columnFirst, columnEnd, texels);
        lx += ldx;
        lz += ldz;
        lu += ldu;
        lv += ldv;
        rx += rdx;
        rz += rdz;
        ru += rdu;
        rv += rdv;
        backRow += SCREEN_WIDTH;
        depthRow += SCREEN_WIDTH;
    }
}

void Rasterizer::drawSpan(int32_t x1, int32_t x2, int32_t row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1,
                          Fixed z2, const uint16_t* texels) {
    spanRow(x1, x2, u32(u1), u32(v1), u32(z1), u32(u2), u32(v2), u32(z2), backBuffer + row * SCREEN_WIDTH,
            depthBuffer + row * SCREEN_WIDTH, screen.depthDrawnFirst + row, screen.depthDrawnEnd + row, clipLeft,
            clipRight, texels);
}

void Rasterizer::fillSpan(const SpanRun& run, const uint16_t* texels) {
#if defined(AMBRELLE_SHORT_SPANS_AVX2)
    if (run.count > 8 && avx2Spans) {
        longSpanAvx2(run.out, run.depth, run.count, run.u, run.v, run.z, run.du, run.dv, run.dz, texels);
        return;
    }
#endif
    spanPixels(run.out, run.depth, run.count, run.u, run.v, run.z, run.du, run.dv, run.dz, texels);
}

void Rasterizer::fillSpanPortable(const SpanRun& run, const uint16_t* texels) {
    spanPixelsPortable(run.out, run.depth, run.count, run.u, run.v, run.z, run.du, run.dv, run.dz, texels);
}
