// MeshBuilder: face orientation, smooth vertex normals and the ASE text writer.
#include "mesh_builder.h"

#include <cmath>
#include <cstdio>

namespace {
// The show reads positions in units of 40 file units.
constexpr double FILE_UNITS = 40.0;
}  // namespace

Vec3 normalized(Vec3 v) {
    const double len = std::sqrt(dot(v, v));
    if (len < 1e-12) return {0, 0, 0};
    return v * (1.0 / len);
}

int MeshBuilder::addVertex(Vec3 p) {
    vertices.push_back(p);
    explicitNormals.push_back({0, 0, 0});
    return vertexCount() - 1;
}

int MeshBuilder::addTexel(double u, double v) {
    texels.push_back(u / 255.0);
    texels.push_back(1.0 - v / 255.0);
    return texelCount() - 1;
}

void MeshBuilder::addFace(int a, int b, int c, int ta, int tb, int tc, int material, Vec3 outward) {
    const Vec3 n = cross(vertices[b] - vertices[a], vertices[c] - vertices[a]);
    if (dot(n, outward) < 0)
        faces.push_back({{a, c, b}, {ta, tc, tb}, material});
    else
        faces.push_back({{a, b, c}, {ta, tb, tc}, material});
}

void MeshBuilder::addFaceAsIs(int a, int b, int c, int ta, int tb, int tc, int material) {
    faces.push_back({{a, b, c}, {ta, tb, tc}, material});
}

void MeshBuilder::setNormal(int vertex, Vec3 n) { explicitNormals[vertex] = normalized(n); }

Vec3 MeshBuilder::faceNormal(const Face& f) const {
    return cross(vertices[f.v[1]] - vertices[f.v[0]], vertices[f.v[2]] - vertices[f.v[0]]);
}

std::vector<Vec3> MeshBuilder::vertexNormals() const {
    std::vector<Vec3> sum(vertices.size());
    for (const Face& f : faces) {
        const Vec3 n = faceNormal(f);  // length = twice the area: area weighting
        for (int k = 0; k < 3; k++) sum[f.v[k]] = sum[f.v[k]] + n;
    }
    std::vector<Vec3> out(vertices.size());
    for (size_t i = 0; i < vertices.size(); i++) {
        if (dot(explicitNormals[i], explicitNormals[i]) > 0)
            out[i] = explicitNormals[i];
        else
            out[i] = normalized(sum[i]);
        if (dot(out[i], out[i]) == 0) out[i] = {0, 0, 1};
    }
    return out;
}

bool MeshBuilder::writeAse(const std::string& path, const std::string& objectName, const std::string& bitmapName,
                           const std::vector<std::string>& materialNames) const {
    FILE* f = fopen(path.c_str(), "w");
    if (!f) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    const char* name = objectName.c_str();
    fprintf(f, "*3DSMAX_ASCIIEXPORT\t200\n");
    fprintf(f, "*COMMENT \"AsciiExport Version  2,00 - ambrelle-datagen\"\n");
    fprintf(f, "*SCENE {\n\t*SCENE_FILENAME \"%s.max\"\n\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n", name);
    fprintf(f, "\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n");
    fprintf(f,
            "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n}\n");
    fprintf(f, "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 1\n\t*MATERIAL 0 {\n");
    fprintf(f, "\t\t*MATERIAL_NAME \"%s\"\n\t\t*MATERIAL_CLASS \"Multi/Sub-Object\"\n", name);
    fprintf(f, "\t\t*NUMSUBMTLS %zu\n", materialNames.size());
    for (size_t m = 0; m < materialNames.size(); m++) {
        fprintf(f, "\t\t*SUBMATERIAL %zu {\n\t\t\t*MATERIAL_NAME \"%s\"\n\t\t\t*MATERIAL_CLASS \"Standard\"\n", m,
                materialNames[m].c_str());
        fprintf(f, "\t\t\t*MATERIAL_SHADING Blinn\n\t\t\t*MATERIAL_XP_FALLOFF 0.0000\n");
        fprintf(f, "\t\t\t*%s {\n\t\t\t\t*MAP_NAME \"%s map\"\n\t\t\t\t*MAP_CLASS \"Bitmap\"\n",
                m == 1 ? "MAP_REFLECT" : "MAP_DIFFUSE", materialNames[m].c_str());
        fprintf(f, "\t\t\t\t*BITMAP \"%s\"\n\t\t\t\t*UVW_U_TILING 1.0000\n\t\t\t\t*UVW_V_TILING 1.0000\n",
                bitmapName.c_str());
        fprintf(f, "\t\t\t}\n\t\t}\n");
    }
    fprintf(f, "\t}\n}\n");
    fprintf(f, "*GEOMOBJECT {\n\t*NODE_NAME \"%s\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"%s\"\n", name, name);
    fprintf(f, "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n");
    fprintf(f, "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n\t}\n");
    fprintf(f, "\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX %d\n\t\t*MESH_NUMFACES %d\n", vertexCount(),
            faceCount());
    fprintf(f, "\t\t*MESH_VERTEX_LIST {\n");
    for (int i = 0; i < vertexCount(); i++) {
        const Vec3 p = (vertices[i] + offset) * (scale * FILE_UNITS);
        fprintf(f, "\t\t\t*MESH_VERTEX %4d\t%.4f\t%.4f\t%.4f\n", i, p.x, p.y, p.z);
    }
    fprintf(f, "\t\t}\n\t\t*MESH_FACE_LIST {\n");
    for (int i = 0; i < faceCount(); i++) {
        const Face& fc = faces[i];
        fprintf(f,
                "\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1\t *MESH_SMOOTHING 1 \t"
                "*MESH_MTLID %d\n",
                i, fc.v[0], fc.v[1], fc.v[2], fc.material);
    }
    fprintf(f, "\t\t}\n\t\t*MESH_NUMTVERTEX %d\n\t\t*MESH_TVERTLIST {\n", texelCount());
    for (int i = 0; i < texelCount(); i++)
        fprintf(f, "\t\t\t*MESH_TVERT %d\t%.6f\t%.6f\t0.0000\n", i, texels[2 * i], texels[2 * i + 1]);
    fprintf(f, "\t\t}\n\t\t*MESH_NUMTVFACES %d\n\t\t*MESH_TFACELIST {\n", faceCount());
    for (int i = 0; i < faceCount(); i++)
        fprintf(f, "\t\t\t*MESH_TFACE %d\t%d\t%d\t%d\n", i, faces[i].t[0], faces[i].t[1], faces[i].t[2]);
    fprintf(f, "\t\t}\n\t\t*MESH_NUMCVERTEX 0\n\t\t*MESH_NORMALS {\n");
    const std::vector<Vec3> normals = vertexNormals();
    for (int i = 0; i < faceCount(); i++) {
        const Face& fc = faces[i];
        const Vec3 n = normalized(faceNormal(fc));
        fprintf(f, "\t\t\t*MESH_FACENORMAL %d\t%.4f\t%.4f\t%.4f\n", i, n.x, n.y, n.z);
        for (int k = 0; k < 3; k++) {
            const Vec3 vn = normals[fc.v[k]];
            fprintf(f, "\t\t\t\t*MESH_VERTEXNORMAL %d\t%.4f\t%.4f\t%.4f\n", fc.v[k], vn.x, vn.y, vn.z);
        }
    }
    fprintf(f, "\t\t}\n\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n");
    fprintf(f, "\t*MATERIAL_REF 0\n}\n");
    const bool ok = ferror(f) == 0;
    if (fclose(f) != 0 || !ok) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
