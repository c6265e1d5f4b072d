// MeshBuilder: assembles a triangle mesh from parts and writes it as ASE text.
#pragma once

#include <string>
#include <vector>

// A point or direction in model units (1.0 is written as 40 file units).
struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalized(Vec3 v);

// Faces are kept so that (b - a) x (c - a) points out of the surface: seen from
// outside, their corners run counter-clockwise, which is what the renderer
// draws. Vertex normals are the normalised, area-weighted sums of the normals
// of the faces around each vertex, unless a part sets one explicitly (thin
// two-sided plates, whose two sides would cancel out).
class MeshBuilder {
   public:
    int addVertex(Vec3 p);
    // Texture vertex in texel units of a 256 x 256 picture: column u and row
    // v (row 0 at the top), written in the file's convention (v up, 0..1).
    int addTexel(double u, double v);
    // Adds the face a, b, c, flipping it if needed so that its normal points
    // along outward (a direction away from the part's inside).
    void addFace(int a, int b, int c, int ta, int tb, int tc, int material, Vec3 outward);
    // Adds the face exactly as given (for two-sided plates: both windings).
    void addFaceAsIs(int a, int b, int c, int ta, int tb, int tc, int material);
    void setNormal(int vertex, Vec3 n);
    // Every position is written as (p + offset) x scale: where the mesh's
    // origin (the point the scenes place and turn it about) sits, and its size.
    void setPlacement(double s, Vec3 o) {
        scale = s;
        offset = o;
    }

    int vertexCount() const { return static_cast<int>(vertices.size()); }
    int faceCount() const { return static_cast<int>(faces.size()); }
    int texelCount() const { return static_cast<int>(texels.size() / 2); }
    Vec3 vertex(int i) const { return vertices[i]; }

    // Writes the mesh in the ASCII Scene Export form (scene header, material
    // list, one geometry object with vertex, face, texture and normal lists).
    // Returns false with a message on stderr if the file cannot be written.
    // materialNames[0] is the texture-mapped material, [1] the environment-
    // mapped one; both name bitmapName as their picture.
    bool writeAse(const std::string& path, const std::string& objectName, const std::string& bitmapName,
                  const std::vector<std::string>& materialNames) const;

   private:
    struct Face {
        int v[3];
        int t[3];
        int material;
    };
    Vec3 faceNormal(const Face& f) const;
    std::vector<Vec3> vertexNormals() const;

    double scale = 1.0;
    Vec3 offset;
    std::vector<Vec3> vertices;
    std::vector<Vec3> explicitNormals;  // zero length: computed from the faces
    std::vector<double> texels;         // u, v pairs in file units
    std::vector<Face> faces;
};
