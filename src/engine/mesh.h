// Mesh: one textured, environment-mapped triangle mesh with its pose and projection.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/fixed.h"
#include "engine/matrix.h"

class Image;
class Screen;

// Model-space position (file units / 40), unit normal from the file, and the
// normal turned into view space by the latest transform().
struct MeshVertex {
    Fixed x, y, z;
    Fixed nx, ny, nz;
    Fixed rnx, rny, rnz;
};

// Corner indices into vertices, as read; render() skips faces whose indices
// fall outside the arrays.
struct MeshFace {
    int32_t a, b, c;
    int32_t materialId;
};

// Texel position in a 256 x 256 picture (0 .. 255.0, 16.16).
struct TexCoord {
    Fixed u, v;
};

// Indices into texCoords for the face's corners a, b, c.
struct TexFace {
    int32_t a, b, c;
};

// Faces of this material sample envMap at their view-space normals.
constexpr int32_t ENV_MATERIAL = 1;

// Default clip window: columns 0..319, rows 0..239 (rows as 16.16).
constexpr int32_t MESH_CLIP_RIGHT = 320;
constexpr Fixed MESH_CLIP_BOTTOM = 0xF00000;
// Projection distance after loading: 250.0.
constexpr Fixed MESH_FOCAL_LENGTH = 0xFA0000;

// What transform() hands to the per-vertex loop: the combined object-to-view
// rotation, the view-space translation and the projection distance.
struct VertexProjection {
    Matrix view;
    Fixed translation[3];
    Fixed focalLength;
};

// The per-vertex part of transform() for count vertices: rotated normals,
// screen position and view depth (a vertex at view depth exactly 0 gets
// viewZ -1 and screen position 160, 120). Four vertices at a time where the
// processor has AVX2; projectVerticesPortable is the one-vertex-at-a-time
// form it must match bit for bit.
void projectVertices(const VertexProjection& projection, MeshVertex* vertices, int32_t count, int32_t* screenX,
                     int32_t* screenY, Fixed* viewZ);
void projectVerticesPortable(const VertexProjection& projection, MeshVertex* vertices, int32_t count, int32_t* screenX,
                             int32_t* screenY, Fixed* viewZ);

class Mesh {
   public:
    // Loads an ASE file. A file that cannot be opened prints
    // "error loading <path>" on standard output and ends the process with
    // status 1. The arrays are sized by the counts (negative counts count as
    // 0), never by the file; texture and envMap stay owned by the caller.
    Mesh(const char* path, Image* texture, Image* envMap, int32_t vertexCount, int32_t faceCount,
         int32_t texCoordCount);
    // The same from a stream the caller opened (and closes).
    Mesh(FILE* stream, Image* texture, Image* envMap, int32_t vertexCount, int32_t faceCount, int32_t texCoordCount);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Rotates, places and projects every vertex for the current angle,
    // position, focalLength and the Screen's Camera (call Camera::update
    // first). A vertex at view depth exactly 0 is marked behind the viewer
    // (viewZ -1, screen position 160, 120), so no face using it is drawn.
    void transform();
    // Draws every visible face into the Screen's back and depth buffers and
    // widens its written-row range (rasterizer.cpp). Faces whose picture has
    // fewer than 65536 pixels, or whose indices fall outside the arrays, are
    // not drawn.
    void render();

    Image* texture = nullptr;  // not owned; the scene may swap it between draws
    Image* envMap = nullptr;   // not owned
    Matrix rotation;
    int32_t angle[3] = {0, 0, 0};  // 16-bit angle units; transform() keeps the low 16 bits
    Fixed position[3] = {0, 0, 0};
    MeshVertex* vertices = nullptr;  // owned, vertexCount
    MeshFace* faces = nullptr;       // owned, faceCount
    TexCoord* texCoords = nullptr;   // owned, texCoordCount
    TexFace* texFaces = nullptr;     // owned, faceCount
    int32_t* faceArea = nullptr;     // owned, faceCount: doubled signed screen area, square pixels
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    int32_t texCoordCount = 0;
    int32_t clipRight = MESH_CLIP_RIGHT;  // first column not drawn
    int32_t clipLeft = 0;                 // first column drawn
    Fixed clipBottom = MESH_CLIP_BOTTOM;  // first row not drawn, 16.16
    Fixed clipTop = 0;                    // first row drawn, 16.16
    int32_t* screenX = nullptr;           // owned, vertexCount: projected column, whole pixels
    int32_t* screenY = nullptr;           // owned, vertexCount: projected row, whole pixels
    Fixed* viewZ = nullptr;               // owned, vertexCount: view depth, larger is farther
    Fixed focalLength = MESH_FOCAL_LENGTH;

   private:
    void allocate(int32_t vertexCount, int32_t faceCount, int32_t texCoordCount);
    void load(FILE* stream);

    Screen* screen = nullptr;  // taken at load; the Screen outlives every mesh
};
