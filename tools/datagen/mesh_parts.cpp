// Shapes shared by the two mesh makers.
#include "mesh_parts.h"

void addWingBox(MeshBuilder& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, const AtlasRect& under, int material) {
    int v[2][2][2];
    for (int ix = 0; ix < 2; ix++)
        for (int iy = 0; iy < 2; iy++)
            for (int iz = 0; iz < 2; iz++)
                v[ix][iy][iz] = mesh.addVertex({ix ? hi.x : lo.x, iy ? hi.y : lo.y, iz ? hi.z : lo.z});
    const Vec3 centre = (lo + hi) * 0.5;

    // Span to u, chord to v with the leading edge (high y) at the top of the rect.
    auto spanU = [&](int ix) { return ix ? rect.u1 : rect.u0; };
    auto chordV = [&](int iy) { return iy ? rect.v0 : rect.v1; };
    auto underV = [&](int iy) { return iy ? under.v0 : under.v1; };
    // A quad of the box, given by its four corners in order around it.
    auto quad = [&](const int(&c)[4], const Texel(&t)[4]) {
        int tv[4];
        for (int k = 0; k < 4; k++) tv[k] = mesh.addTexel(t[k].u, t[k].v);
        Vec3 mid;
        for (int k : c) mid = mid + mesh.vertex(k) * 0.25;
        const Vec3 out = mid - centre;
        mesh.addFace(c[0], c[1], c[2], tv[0], tv[1], tv[2], material, out);
        mesh.addFace(c[0], c[2], c[3], tv[0], tv[2], tv[3], material, out);
    };
    // Bottom and top: the painted surfaces.
    quad({v[0][0][0], v[1][0][0], v[1][1][0], v[0][1][0]},
         {{under.u0, underV(0)}, {under.u1, underV(0)}, {under.u1, underV(1)}, {under.u0, underV(1)}});
    quad({v[0][0][1], v[1][0][1], v[1][1][1], v[0][1][1]},
         {{spanU(0), chordV(0)}, {spanU(1), chordV(0)}, {spanU(1), chordV(1)}, {spanU(0), chordV(1)}});
    // Leading and trailing edges: thin strips along the rect's top and bottom rims.
    const double rim = 1.5;
    quad({v[0][1][0], v[1][1][0], v[1][1][1], v[0][1][1]},
         {{spanU(0), rect.v0 + rim}, {spanU(1), rect.v0 + rim}, {spanU(1), rect.v0}, {spanU(0), rect.v0}});
    quad({v[0][0][0], v[1][0][0], v[1][0][1], v[0][0][1]},
         {{spanU(0), rect.v1 - rim}, {spanU(1), rect.v1 - rim}, {spanU(1), rect.v1}, {spanU(0), rect.v1}});
    // Tips: thin strips along the rect's left and right rims.
    for (int ix = 0; ix < 2; ix++) {
        const double u = spanU(ix), inner = ix ? u - rim : u + rim;
        quad({v[ix][0][0], v[ix][1][0], v[ix][1][1], v[ix][0][1]},
             {{inner, chordV(0)}, {inner, chordV(1)}, {u, chordV(1)}, {u, chordV(0)}});
    }
}

void addPrism(MeshBuilder& mesh, Vec3 bottom, Vec3 top, const std::vector<Vec3>& section, int material,
              const AtlasRect& rect) {
    const int n = static_cast<int>(section.size());
    std::vector<int> lo(n), hi(n), tlo(n + 1), thi(n + 1);
    for (int k = 0; k < n; k++) {
        lo[k] = mesh.addVertex(bottom + section[k]);
        hi[k] = mesh.addVertex(top + section[k]);
    }
    // Unrolled around the axis: the seam's texels are doubled.
    for (int k = 0; k <= n; k++) {
        tlo[k] = mesh.addTexel(atlasU(rect, static_cast<double>(k) / n), rect.v1);
        thi[k] = mesh.addTexel(atlasU(rect, static_cast<double>(k) / n), rect.v0);
    }
    for (int k = 0; k < n; k++) {
        const int k1 = (k + 1) % n;
        const Vec3 out = section[k] + section[k1];
        mesh.addFace(lo[k], lo[k1], hi[k1], tlo[k], tlo[k + 1], thi[k + 1], material, out);
        mesh.addFace(lo[k], hi[k1], hi[k], tlo[k], thi[k + 1], thi[k], material, out);
    }
}

void addTwoSidedPlate(MeshBuilder& mesh, const std::vector<Vec3>& corners, const std::vector<Texel>& texels,
                      Vec3 normal, int material, bool separateBack) {
    const int n = static_cast<int>(corners.size());
    std::vector<int> v(n), front(n), back(n);
    for (int k = 0; k < n; k++) {
        v[k] = mesh.addVertex(corners[k]);
        mesh.setNormal(v[k], normal);
        front[k] = mesh.addTexel(texels[k].u, texels[k].v);
    }
    for (int k = 0; k < n; k++) back[k] = separateBack ? mesh.addTexel(texels[k].u, texels[k].v) : front[k];
    for (int k = 1; k + 1 < n; k++) {
        mesh.addFace(v[0], v[k], v[k + 1], front[0], front[k], front[k + 1], material, normal);
        mesh.addFace(v[0], v[k], v[k + 1], back[0], back[k], back[k + 1], material, normal * -1.0);
    }
}
