// The ASE record reader: one word at a time, five keywords, fixed scanf patterns.
#include "engine/ase_loader.h"

#include <cctype>
#include <cstring>

#include "engine/mesh.h"

int32_t truncateToInt32(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value < -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool AseLoader::readWord(FILE* stream, char (&word)[MAX_WORD + 1]) {
    word[0] = '\0';
    if (fscanf(stream, "%79s", word) != 1) return false;
    const int next = getc(stream);
    if (next == EOF) return true;
    if (isspace(next)) {
        ungetc(next, stream);
        return true;
    }
    // The word goes on past MAX_WORD characters: drop all of it, so that its
    // tail can never be taken for a keyword.
    int c = next;
    while (c != EOF && !isspace(c)) c = getc(stream);
    if (c != EOF) ungetc(c, stream);
    word[0] = '\0';
    return true;
}

void AseLoader::read(FILE* stream) {
    char word[MAX_WORD + 1];
    while (readWord(stream, word)) {
        if (word[0] != '*') continue;
        if (strcmp(word, "*MESH_VERTEX") == 0)
            readVertex(stream);
        else if (strcmp(word, "*MESH_FACE") == 0)
            readFace(stream);
        else if (strcmp(word, "*MESH_TVERT") == 0)
            readTexVertex(stream);
        else if (strcmp(word, "*MESH_TFACE") == 0)
            readTexFace(stream);
        else if (strcmp(word, "*MESH_VERTEXNORMAL") == 0)
            readVertexNormal(stream);
    }
}

// Each scaling is done in single precision in the order written, then
// truncated: the stored values depend on it.

void AseLoader::readVertex(FILE* stream) {
    float v[3] = {0.0f, 0.0f, 0.0f};
    const int got = fscanf(stream, "%*s %f %f %f", &v[0], &v[1], &v[2]);
    const int64_t index = vertexRecords++;
    if (index >= mesh.vertexCount) return;
    Fixed out[3] = {0, 0, 0};
    for (int k = 0; k < got && k < 3; k++) {
        float scaled = v[k] / 40.0f;
        scaled = scaled * 65536.0f;
        out[k] = truncateToInt32(scaled);
    }
    MeshVertex& vertex = mesh.vertices[index];
    vertex.x = out[0];
    vertex.y = out[1];
    vertex.z = out[2];
}

void AseLoader::readFace(FILE* stream) {
    int a = 0, b = 0, c = 0, material = 0;
    fscanf(stream, "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d *MESH_SMOOTHING %*d *MESH_MTLID %d", &a, &b, &c,
           &material);
    const int64_t index = faceRecords++;
    if (index >= mesh.faceCount) return;
    mesh.faces[index] = MeshFace{a, b, c, material};
}

void AseLoader::readTexVertex(FILE* stream) {
    float u = 0.0f, v = 0.0f;
    const int got = fscanf(stream, "%*s %f %f", &u, &v);
    const int64_t index = texVertexRecords++;
    if (index >= mesh.texCoordCount) return;
    TexCoord& t = mesh.texCoords[index];
    t.u = 0;
    t.v = 0;
    if (got >= 1) {
        float su = u * 255.0f;
        su = su * 65536.0f;
        t.u = truncateToInt32(su);
    }
    if (got >= 2) {
        float sv = 1.0f - v;  // file v = 1.0 is texel row 0
        sv = sv * 255.0f;
        sv = sv * 65536.0f;
        t.v = truncateToInt32(sv);
    }
}

void AseLoader::readTexFace(FILE* stream) {
    int a = 0, b = 0, c = 0;
    fscanf(stream, "%*s %d %d %d", &a, &b, &c);
    const int64_t index = texFaceRecords++;
    if (index >= mesh.faceCount) return;
    mesh.texFaces[index] = TexFace{a, b, c};
}

void AseLoader::readVertexNormal(FILE* stream) {
    // An index that cannot be read names vertex 0.
    int index = 0;
    float n[3] = {0.0f, 0.0f, 0.0f};
    const int got = fscanf(stream, "%d %f %f %f", &index, &n[0], &n[1], &n[2]);
    if (index < 0 || index >= mesh.vertexCount) return;
    Fixed out[3] = {0, 0, 0};
    for (int k = 0; k + 1 < got && k < 3; k++) out[k] = truncateToInt32(n[k] * 65536.0f);
    MeshVertex& vertex = mesh.vertices[index];
    vertex.nx = out[0];
    vertex.ny = out[1];
    vertex.nz = out[2];
}
