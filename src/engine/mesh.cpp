// Mesh construction and the per-frame transform (rotation, placement, projection).
#include "engine/mesh.h"

#include <cstdlib>

#include "display/screen.h"
#include "engine/ase_loader.h"
#include "engine/rasterizer.h"
#include "engine/trig_tables.h"

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
    fclose(file);
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
    Matrix view = rotation;
    view.multiply(camera.matrix);

    // The object position is offset by the camera first, then turned by the camera alone.
    Fixed tx, ty, tz;
    camera.matrix.transform(fixedAdd(position[0], camera.position[0]), fixedAdd(position[1], camera.position[1]),
                            fixedAdd(position[2], camera.position[2]), tx, ty, tz);

    const int64_t focal = static_cast<int64_t>(focalLength) * 65536;  // focalLength << 16, no shift of a negative
    for (int32_t i = 0; i < vertexCount; i++) {
        MeshVertex& v = vertices[i];
        Fixed sx, sy, sz;
        view.transform(v.x, v.y, v.z, sx, sy, sz);
        sx = fixedAdd(sx, tx);
        sy = fixedAdd(sy, ty);
        sz = fixedAdd(sz, tz);
        view.transform(v.nx, v.ny, v.nz, v.rnx, v.rny, v.rnz);
        if (sz == 0) {
            // The projection would divide by zero: the vertex counts as behind
            // the viewer, so render() drops every face that uses it.
            screenX[i] = 160;
            screenY[i] = 120;
            viewZ[i] = -1;
            continue;
        }
        // |focal| < 2^47 and sz != 0, so the quotient never overflows; the
        // scale keeps its low 32 bits.
        const Fixed d = static_cast<Fixed>(static_cast<uint32_t>(static_cast<uint64_t>(focal / sz)));
        // 16.16 times the 16.16 scale, then down to whole pixels (arithmetic
        // shift: truncation toward minus infinity).
        screenX[i] = (fixedMul(sx, d) >> 16) + 160;
        screenY[i] = (fixedMul(sy, d) >> 16) + 120;
        viewZ[i] = sz;
    }
}

void Mesh::render() {
    Rasterizer rasterizer(*screen, *this);
    for (int32_t i = 0; i < faceCount; i++) rasterizer.drawFace(i);
}
