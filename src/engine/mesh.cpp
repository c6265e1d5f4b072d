// Mesh construction and the per-frame transform (rotation, placement, projection).
#include "engine/mesh.h"

#include <cstdlib>

#if defined(__x86_64__) && !defined(AMBRELLE_NO_VECTOR_CLONES)
#include <immintrin.h>
#endif

#include "display/screen.h"
#include "engine/ase_loader.h"
#include "engine/rasterizer.h"
#include "engine/trig_tables.h"

namespace {

// (x, y, z) x the matrix's column c: three fixedMul products summed with wraps.
inline Fixed rotateColumn(const Fixed* m, int c, Fixed x, Fixed y, Fixed z) {
    return fixedAdd(fixedAdd(fixedMul(x, m[c]), fixedMul(y, m[3 + c])), fixedMul(z, m[6 + c]));
}

// The scale focalLength / depth in 16.16: ((focal as 64 bits) << 16) / depth
// truncated toward zero, of which the low 32 bits are kept (depth != 0).
// |focal << 16| < 2^47, so the quotient taken in double precision truncates
// to the integer quotient in any rounding mode: a quotient that is not an
// integer lies at least 1 / |depth| from the integers on either side, which
// are exact doubles, and the doubles near it are at most
// |quotient| x 2^-52 < 2^-5 / |depth| apart.
inline Fixed projectionScale(double focal, Fixed depth) {
    const int64_t quotient = static_cast<int64_t>(focal / static_cast<double>(depth));
    return static_cast<Fixed>(static_cast<uint32_t>(static_cast<uint64_t>(quotient)));
}

inline void projectVertex(const VertexProjection& p, double focal, MeshVertex& v, int32_t& screenX, int32_t& screenY,
                          Fixed& viewZ) {
    const Fixed* m = p.view.m;
    const Fixed sx = fixedAdd(rotateColumn(m, 0, v.x, v.y, v.z), p.translation[0]);
    const Fixed sy = fixedAdd(rotateColumn(m, 1, v.x, v.y, v.z), p.translation[1]);
    const Fixed sz = fixedAdd(rotateColumn(m, 2, v.x, v.y, v.z), p.translation[2]);
    const Fixed nx = v.nx, ny = v.ny, nz = v.nz;
    v.rnx = rotateColumn(m, 0, nx, ny, nz);
    v.rny = rotateColumn(m, 1, nx, ny, nz);
    v.rnz = rotateColumn(m, 2, nx, ny, nz);
    if (sz == 0) {
        // The projection would divide by zero: the vertex counts as behind
        // the viewer, so render() drops every face that uses it.
        screenX = 160;
        screenY = 120;
        viewZ = -1;
        return;
    }
    const Fixed d = projectionScale(focal, sz);
    // 16.16 times the 16.16 scale, then down to whole pixels (arithmetic
    // shift: truncation toward minus infinity).
    screenX = (fixedMul(sx, d) >> 16) + 160;
    screenY = (fixedMul(sy, d) >> 16) + 120;
    viewZ = sz;
}

inline double focalShifted(const VertexProjection& p) {
    return static_cast<double>(static_cast<int64_t>(p.focalLength) * 65536);  // focalLength << 16, exact
}

// Like the vector clones (gfx/vector_clones.h), the AVX2 loop can be left
// out with AMBRELLE_NO_VECTOR_CLONES.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(AMBRELLE_NO_VECTOR_CLONES)
#define AMBRELLE_MESH_AVX2 1

// The AVX2 loop takes four vertices at a time, one per 64-bit lane. A
// fixedMul is the low 32 bits of the 64-bit product shifted right by 16,
// that is bits 16..47 of the product, which a logical shift gives as well as
// an arithmetic one; sums of such values keep the same low 32 bits in 64-bit
// lanes.
__attribute__((target("avx2"))) inline __m256i mulLanes(__m256i a, __m256i b) {
    return _mm256_srli_epi64(_mm256_mul_epi32(a, b), 16);
}

__attribute__((target("avx2"))) inline __m256i rotateLanes(const Fixed* m, int c, __m256i x, __m256i y, __m256i z) {
    const __m256i sum =
        _mm256_add_epi64(mulLanes(x, _mm256_set1_epi64x(m[c])), mulLanes(y, _mm256_set1_epi64x(m[3 + c])));
    return _mm256_add_epi64(sum, mulLanes(z, _mm256_set1_epi64x(m[6 + c])));
}

// The low 32 bits of the four 64-bit lanes.
__attribute__((target("avx2"))) inline __m128i lowHalves(__m256i v) {
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

// The four 32-bit elements of the low or the high 128-bit half, one per
// 64-bit lane.
__attribute__((target("avx2"))) inline __m256i widenLow(__m256i v) {
    return _mm256_cvtepi32_epi64(_mm256_castsi256_si128(v));
}
__attribute__((target("avx2"))) inline __m256i widenHigh(__m256i v) {
    return _mm256_cvtepi32_epi64(_mm256_extracti128_si256(v, 1));
}

__attribute__((target("avx2"))) void projectVerticesAvx2(const VertexProjection& p, MeshVertex* vertices, int32_t count,
                                                         int32_t* screenX, int32_t* screenY, Fixed* viewZ) {
    const double focal = focalShifted(p);
    const Fixed* m = p.view.m;
    const __m256d focal4 = _mm256_set1_pd(focal);
    // 1.5 x 2^52: adding it to an integer below 2^51 in magnitude leaves
    // that integer's low 32 bits in the low half of the sum's bits.
    const __m256d lowBits = _mm256_set1_pd(6755399441055744.0);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        // The first eight Fixed of each of the four vertices (x, y, z, nx,
        // ny, nz, rnx, rny), turned into one field per vector: the 32-bit
        // and 64-bit interleaves give x | ny, y | nz, z | rnx and nx | rny
        // in the two 128-bit halves.
        const __m256i r0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&vertices[i].x));
        const __m256i r1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&vertices[i + 1].x));
        const __m256i r2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&vertices[i + 2].x));
        const __m256i r3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&vertices[i + 3].x));
        const __m256i low01 = _mm256_unpacklo_epi32(r0, r1), low23 = _mm256_unpacklo_epi32(r2, r3);
        const __m256i high01 = _mm256_unpackhi_epi32(r0, r1), high23 = _mm256_unpackhi_epi32(r2, r3);
        const __m256i xny = _mm256_unpacklo_epi64(low01, low23), ynz = _mm256_unpackhi_epi64(low01, low23);
        const __m256i zrest = _mm256_unpacklo_epi64(high01, high23), nxrest = _mm256_unpackhi_epi64(high01, high23);
        const __m256i x = widenLow(xny), y = widenLow(ynz), z = widenLow(zrest);
        const __m256i nx = widenLow(nxrest), ny = widenHigh(xny), nz = widenHigh(ynz);
        const __m128i sx = _mm_add_epi32(lowHalves(rotateLanes(m, 0, x, y, z)), _mm_set1_epi32(p.translation[0]));
        const __m128i sy = _mm_add_epi32(lowHalves(rotateLanes(m, 1, x, y, z)), _mm_set1_epi32(p.translation[1]));
        const __m128i sz = _mm_add_epi32(lowHalves(rotateLanes(m, 2, x, y, z)), _mm_set1_epi32(p.translation[2]));
        alignas(16) Fixed normal[3][4];
        _mm_store_si128(reinterpret_cast<__m128i*>(normal[0]), lowHalves(rotateLanes(m, 0, nx, ny, nz)));
        _mm_store_si128(reinterpret_cast<__m128i*>(normal[1]), lowHalves(rotateLanes(m, 1, nx, ny, nz)));
        _mm_store_si128(reinterpret_cast<__m128i*>(normal[2]), lowHalves(rotateLanes(m, 2, nx, ny, nz)));
        for (int k = 0; k < 4; k++) {
            vertices[i + k].rnx = normal[0][k];
            vertices[i + k].rny = normal[1][k];
            vertices[i + k].rnz = normal[2][k];
        }

        // Lanes at depth 0 divide by zero here (no trap: the result is
        // replaced below).
        const __m256d quotient =
            _mm256_round_pd(_mm256_div_pd(focal4, _mm256_cvtepi32_pd(sz)), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256i d = _mm256_castpd_si256(_mm256_add_pd(quotient, lowBits));
        const __m128i px =
            _mm_srai_epi32(lowHalves(_mm256_srli_epi64(_mm256_mul_epi32(_mm256_cvtepi32_epi64(sx), d), 16)), 16);
        const __m128i py =
            _mm_srai_epi32(lowHalves(_mm256_srli_epi64(_mm256_mul_epi32(_mm256_cvtepi32_epi64(sy), d), 16)), 16);
        const __m128i atZero = _mm_cmpeq_epi32(sz, _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(screenX + i),
                         _mm_blendv_epi8(_mm_add_epi32(px, _mm_set1_epi32(160)), _mm_set1_epi32(160), atZero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(screenY + i),
                         _mm_blendv_epi8(_mm_add_epi32(py, _mm_set1_epi32(120)), _mm_set1_epi32(120), atZero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(viewZ + i), _mm_blendv_epi8(sz, _mm_set1_epi32(-1), atZero));
    }
    for (; i < count; i++) projectVertex(p, focal, vertices[i], screenX[i], screenY[i], viewZ[i]);
}

bool processorHasAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

}  // namespace

void projectVerticesPortable(const VertexProjection& projection, MeshVertex* vertices, int32_t count, int32_t* screenX,
                             int32_t* screenY, Fixed* viewZ) {
    const double focal = focalShifted(projection);
    for (int32_t i = 0; i < count; i++) projectVertex(projection, focal, vertices[i], screenX[i], screenY[i], viewZ[i]);
}

void projectVertices(const VertexProjection& projection, MeshVertex* vertices, int32_t count, int32_t* screenX,
                     int32_t* screenY, Fixed* viewZ) {
#if defined(AMBRELLE_MESH_AVX2)
    if (processorHasAvx2()) {
        projectVerticesAvx2(projection, vertices, count, screenX, screenY, viewZ);
        return;
    }
#endif
    projectVerticesPortable(projection, vertices, count, screenX, screenY, viewZ);
}

Mesh::Mesh(const char* path, Image* texture_, Image* envMap_, int32_t vertexCount_, int32_t faceCount_,
           int32_t texCoordCount_) {
    screen = Screen::instance();
    FILE* file = fopen(path, "rt");
    if (!file) {
        printf("error loading %s\n", path);
        fflush(stdout);
        exit(1);
    }
    texture = texture_;
    envMap = envMap_;
    allocate(vertexCount_, faceCount_, texCoordCount_);
    load(file);
    // A directory opens like a file but every read fails: unreadable, not empty.
    const bool unreadable = ferror(file) != 0;
    fclose(file);
    if (unreadable) {
        printf("error loading %s\n", path);
        fflush(stdout);
        exit(1);
    }
}

Mesh::Mesh(FILE* stream, Image* texture_, Image* envMap_, int32_t vertexCount_, int32_t faceCount_,
           int32_t texCoordCount_) {
    screen = Screen::instance();
    texture = texture_;
    envMap = envMap_;
    allocate(vertexCount_, faceCount_, texCoordCount_);
    load(stream);
}

Mesh::~Mesh() {
    delete[] vertices;
    delete[] faces;
    delete[] texCoords;
    delete[] texFaces;
    delete[] faceArea;
    delete[] screenX;
    delete[] screenY;
    delete[] viewZ;
}

void Mesh::allocate(int32_t vertexCount_, int32_t faceCount_, int32_t texCoordCount_) {
    vertexCount = vertexCount_ > 0 ? vertexCount_ : 0;
    faceCount = faceCount_ > 0 ? faceCount_ : 0;
    texCoordCount = texCoordCount_ > 0 ? texCoordCount_ : 0;
    // Value-initialised: elements that no record sets read as 0.
    vertices = new MeshVertex[vertexCount]();
    faces = new MeshFace[faceCount]();
    texCoords = new TexCoord[texCoordCount]();
    texFaces = new TexFace[faceCount]();
    faceArea = new int32_t[faceCount]();
    screenX = new int32_t[vertexCount]();
    screenY = new int32_t[vertexCount]();
    viewZ = new Fixed[vertexCount]();
    rotation.setIdentity();
}

void Mesh::load(FILE* stream) {
    AseLoader loader(*this);
    loader.read(stream);
    focalLength = MESH_FOCAL_LENGTH;
}

void Mesh::transform() {
    for (int32_t& a : angle) a &= 0xFFFF;
    rotation.setRotation(sineTable[angle[0]], sineTable[angle[1]], sineTable[angle[2]], cosineTable[angle[0]],
                         cosineTable[angle[1]], cosineTable[angle[2]]);

    const Camera& camera = *screen->camera;
    // identity x rotation is rotation exactly (fixedMul by 1.0 and by 0 are exact).
    VertexProjection projection;
    projection.view = rotation;
    projection.view.multiply(camera.matrix);

    // The object position is offset by the camera first, then turned by the camera alone.
    camera.matrix.transform(fixedAdd(position[0], camera.position[0]), fixedAdd(position[1], camera.position[1]),
                            fixedAdd(position[2], camera.position[2]), projection.translation[0],
                            projection.translation[1], projection.translation[2]);
    projection.focalLength = focalLength;
    projectVertices(projection, vertices, vertexCount, screenX, screenY, viewZ);
}

void Mesh::render() {
    Rasterizer rasterizer(*screen, *this);
    rasterizer.drawMesh();
}
