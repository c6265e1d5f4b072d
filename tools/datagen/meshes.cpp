// The two meshes of the show: the biplane (sopwith.ase) and the flower (kukka.ase).
//
// Model axes as the scenes pose them: +z is up, +y is the direction of
// flight (away from the viewer, who mostly sees the plane from behind and
// above, and the flowers from the front), +x is to the right. One model unit
// is 40 file units.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "main/show_facts.h"
#include "makers.h"
#include "mesh_atlas.h"
#include "mesh_builder.h"
#include "mesh_parts.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// The counts the show's loader is called with: a mesh must match them exactly.
constexpr int PLANE_VERTICES = PLANE_MESH.vertexCount, PLANE_FACES = PLANE_MESH.faceCount,
              PLANE_TEXELS = PLANE_MESH.texCoordCount;
constexpr int FLOWER_VERTICES = FLOWER_MESH.vertexCount, FLOWER_FACES = FLOWER_MESH.faceCount,
              FLOWER_TEXELS = FLOWER_MESH.texCoordCount;

bool checkCounts(const MeshBuilder& mesh, const char* name, int vertices, int faces, int texels) {
    if (mesh.vertexCount() == vertices && mesh.faceCount() == faces && mesh.texelCount() == texels) return true;
    fprintf(stderr, "ambrelle-datagen: %s has %d vertices, %d faces, %d texture vertices; the show reads %d, %d, %d\n",
            name, mesh.vertexCount(), mesh.faceCount(), mesh.texelCount(), vertices, faces, texels);
    return false;
}

// ---------------------------------------------------------------- biplane --

// As large as the camera's figure-of-eight allows without a wing tip ever
// leaving the screen: at 320 x 240 the roundels, struts and wheels read
// better the larger the plane is drawn.
constexpr double PLANE_SCALE = 0.98;
constexpr Vec3 PLANE_OFFSET = {0, 0, -0.35};

// Environment-mapped parts take their (unused) texture vertices from the
// centre of the picture, where their reflection is painted.
constexpr AtlasRect PLANE_CENTRE = {64, 64, 192, 192};

// One ring of the fuselage's octagonal cross-section.
struct Ring {
    double y, halfWidth, halfHeight, centreZ;
    Vec3 at(int k) const {
        const double a = (k + 0.5) * PI / 4;
        return {halfWidth * std::cos(a), y, centreZ + halfHeight * std::sin(a)};
    }
};

// Cowling and fuselage: a nose cap, the round cowling, the body tapering to
// the tail post. The cowling's rear ring is doubled so that the metal cowling
// and the lacquered body meet at a crease.
void addFuselage(MeshBuilder& mesh) {
    const int sides = 8;
    const Ring cowlFront = {1.42, 0.30, 0.30, 0.06};
    const Ring cowlRear = {1.00, 0.35, 0.35, 0.06};
    const Ring cockpit = {-0.30, 0.30, 0.38, 0.08};
    const Vec3 nose = {0, 1.52, 0.06};
    const Vec3 tail = {0, -2.18, 0.16};

    int r0[sides], r1[sides], r1b[sides], r2[sides];
    for (int k = 0; k < sides; k++) r0[k] = mesh.addVertex(cowlFront.at(k));
    for (int k = 0; k < sides; k++) r1[k] = mesh.addVertex(cowlRear.at(k));
    for (int k = 0; k < sides; k++) r1b[k] = mesh.addVertex(cowlRear.at(k));
    for (int k = 0; k < sides; k++) r2[k] = mesh.addVertex(cockpit.at(k));
    const int n = mesh.addVertex(nose);
    const int t = mesh.addVertex(tail);

    // Unused texture vertices, one per face corner, unrolled around the body.
    auto texel = [&](double around, double along) {
        return mesh.addTexel(atlasU(PLANE_CENTRE, around / sides), atlasV(PLANE_CENTRE, along));
    };
    auto radial = [&](int a, int b, int c, double axisZ) {
        const Vec3 mid = (mesh.vertex(a) + mesh.vertex(b) + mesh.vertex(c)) * (1.0 / 3);
        return mid - Vec3{0, mid.y, axisZ};
    };
    // The cowling is painted metal, unrolled around the nose the same way.
    auto cowlTexel = [&](double around, double along) {
        const AtlasRect& r = PlaneAtlas::COWLING;
        return mesh.addTexel(atlasU(r, around / sides), atlasV(r, along / 0.25));
    };
    const int noseTexel = cowlTexel(4, 0);
    for (int k = 0; k < sides; k++) {
        const int k1 = (k + 1) % sides;
        mesh.addFace(n, r0[k], r0[k1], noseTexel, cowlTexel(k, 0.1), cowlTexel(k + 1, 0.1), MATERIAL_TEXTURED,
                     {0, 1, 0});
    }
    // A band of faces between two rings; at gives the texture vertex of a
    // point around and along the body.
    auto band = [&](const int* a, const int* b, double va, double vb, double axisZ, auto at, int material) {
        for (int k = 0; k < sides; k++) {
            const int k1 = (k + 1) % sides;
            mesh.addFace(a[k], a[k1], b[k1], at(k, va), at(k + 1, va), at(k + 1, vb), material,
                         radial(a[k], a[k1], b[k1], axisZ));
            mesh.addFace(a[k], b[k1], b[k], at(k, va), at(k + 1, vb), at(k, vb), material,
                         radial(a[k], b[k1], b[k], axisZ));
        }
    };
    band(r0, r1, 0.1, 0.25, 0.06, cowlTexel, MATERIAL_TEXTURED);
    band(r1b, r2, 0.25, 0.6, 0.07, texel, MATERIAL_ENVIRONMENT);
    for (int k = 0; k < sides; k++) {
        const int k1 = (k + 1) % sides;
        Vec3 out = radial(r2[k], r2[k1], t, 0.12);
        out.y = -0.2;
        mesh.addFace(r2[k], r2[k1], t, texel(k, 0.6), texel(k + 1, 0.6), texel(k + 0.5, 1), MATERIAL_ENVIRONMENT, out);
    }
}

// A wheel: a hexagonal disc whose two sides have vertices of their own, with
// normals bulging outward like a hub cap. Painted, not mirrored: mirrored
// lacquer made the wheels pale loose pink shapes under the body. The legs
// are painted from the dark shadow under the reflection disc.
void addWheel(MeshBuilder& mesh, Vec3 centre, double radius, double side) {
    const int corners = 6;
    for (int s = 0; s < 2; s++) {
        const double facing = s == 0 ? side : -side;
        int v[corners], tv[corners];
        for (int k = 0; k < corners; k++) {
            const double a = k * 2 * PI / corners;
            const Vec3 r = {0, std::cos(a), std::sin(a)};
            v[k] = mesh.addVertex(centre + r * radius);
            mesh.setNormal(v[k], Vec3{facing, 0, 0} + r * 0.55);
            const AtlasRect& w = PlaneAtlas::WHEEL;
            tv[k] = mesh.addTexel(atlasU(w, 0.5 + 0.5 * r.y), atlasV(w, 0.5 - 0.5 * r.z));
        }
        for (int k = 1; k + 1 < corners; k++)
            mesh.addFace(v[0], v[k], v[k + 1], tv[0], tv[k], tv[k + 1], MATERIAL_TEXTURED, {facing, 0, 0});
    }
}

// The sky. The scene fills the pixels the plane leaves empty with one flat
// blue, but a pixel that a face covers keeps the face's colour: so one
// triangle far beyond the plane, textured with the atlas's gradient, is the
// sky behind it. It has to cover the whole screen at every moment of the
// biplane scene, while the cave scene, which flies this same mesh past its
// own camera, must never draw it. Its corners come from a search over both
// scenes' poses at every millisecond: wherever the cave's camera could see
// the triangle, one corner lies behind that camera or the face turns away
// from it. One corner therefore sits close to the biplane camera's side
// (about 5 units deep at the nearest) and lands far off the screen, where
// it steers the gradient without being seen. In the scenes' model units,
// after the plane's scale and offset, as ambrelle-skysearch finds them;
// tests/data/mesh_render_test.cpp holds both promises at every millisecond.
constexpr Vec3 SKY_CORNERS[3] = {{-36.66, 87.83, 115.27}, {-265.57, -111.82, -47.67}, {67.36, 53.40, -51.32}};
// Where the biplane scene's camera is on average, in the same units. Each
// corner's texel row is its elevation seen from there, so that the bands of
// the gradient lie along the horizon.
constexpr Vec3 SKY_VIEWPOINT = {3.5, -8.5, 3.0};

void addSky(MeshBuilder& mesh) {
    const AtlasRect& r = PlaneAtlas::SKY;
    int v[3], t[3];
    Vec3 centre = {0, 0, 0};
    for (int k = 0; k < 3; k++) {
        const Vec3 p = SKY_CORNERS[k];
        v[k] = mesh.addVertex(p * (1 / PLANE_SCALE) - PLANE_OFFSET);
        const Vec3 d = p - SKY_VIEWPOINT;
        const double elevation = std::atan2(d.z, std::hypot(d.x, d.y)) * 180 / PI;
        const double row = (elevation - PlaneAtlas::SKY_TOP) / (PlaneAtlas::SKY_BOTTOM - PlaneAtlas::SKY_TOP);
        t[k] = mesh.addTexel(atlasU(r, 0.5), atlasV(r, std::min(1.0, std::max(0.0, row))));
        centre = centre + p * (1.0 / 3);
    }
    mesh.addFace(v[0], v[1], v[2], t[0], t[1], t[2], MATERIAL_TEXTURED, SKY_VIEWPOINT - centre);
}

bool buildPlane(MeshBuilder& mesh) {
    addFuselage(mesh);

    // Wings: the upper one staggered forward; both painted.
    addWingBox(mesh, {-2.70, -0.30, 0.74}, {2.70, 0.58, 0.80}, PlaneAtlas::UPPER_WING, PlaneAtlas::UPPER_WING_UNDER,
               MATERIAL_TEXTURED);
    addWingBox(mesh, {-2.55, -0.52, -0.24}, {2.55, 0.34, -0.18}, PlaneAtlas::LOWER_WING, PlaneAtlas::LOWER_WING_UNDER,
               MATERIAL_TEXTURED);

    // Tailplane: a rounded plate through the tail, painted on both sides.
    {
        const std::vector<Vec3> c = {{0, -1.60, 0.12}, {-0.74, -1.78, 0.12}, {-0.70, -2.10, 0.12},
                                     {0, -2.20, 0.12}, {0.70, -2.10, 0.12},  {0.74, -1.78, 0.12}};
        std::vector<Texel> t;
        const AtlasRect& r = PlaneAtlas::TAILPLANE;
        for (const Vec3& p : c) t.push_back({atlasU(r, (p.y + 2.20) / 0.60), atlasV(r, (p.x + 0.74) / 1.48)});
        addTwoSidedPlate(mesh, c, t, {0, 0, 1}, MATERIAL_TEXTURED, true);
    }
    // Fin and rudder.
    {
        const std::vector<Vec3> c = {
            {0, -1.48, 0.36}, {0, -1.86, 0.80}, {0, -2.08, 0.86}, {0, -2.26, 0.56}, {0, -2.24, 0.08}};
        std::vector<Texel> t;
        const AtlasRect& r = PlaneAtlas::FIN;
        for (const Vec3& p : c) t.push_back({atlasU(r, (p.y + 2.26) / 0.78), atlasV(r, (0.86 - p.z) / 0.78)});
        addTwoSidedPlate(mesh, c, t, {1, 0, 0}, MATERIAL_TEXTURED, true);
    }
    // Propeller: two twisted blades in one plate, stopped on a slant, its tips
    // clear of the upper wing as on the real machine.
    {
        const double tilt = 0.75, pitch = 0.35, length = 0.64, halfWidth = 0.07;
        const Vec3 hub = {0, 1.60, 0.06};
        const Vec3 along = {std::sin(tilt), 0, std::cos(tilt)};
        const Vec3 across = {std::cos(tilt), 0, -std::sin(tilt)};
        const Vec3 twistTop = across * std::cos(pitch) + Vec3{0, std::sin(pitch), 0};
        const Vec3 twistBottom = across * std::cos(pitch) - Vec3{0, std::sin(pitch), 0};
        const Vec3 top = hub + along * length, bottom = hub - along * length;
        const std::vector<Vec3> c = {top - twistTop * halfWidth, top + twistTop * halfWidth,
                                     bottom + twistBottom * halfWidth, bottom - twistBottom * halfWidth};
        const AtlasRect& r = PlaneAtlas::PROPELLER;
        const std::vector<Texel> t = {{r.u0, r.v0}, {r.u1, r.v0}, {r.u1, r.v1}, {r.u0, r.v1}};
        addTwoSidedPlate(mesh, c, t, {0, 1, 0}, MATERIAL_TEXTURED, true);
    }

    // Struts: a streamlined interplane strut on each side and the cabane
    // struts holding the upper wing over the cockpit. Dark, so that they
    // stand apart from the red wings they join. The short cabane struts are
    // flat strips facing back, which is how they are seen: their faces go to
    // the pilot.
    const std::vector<Vec3> strut = {{0.045, 0.12, 0}, {-0.045, 0.12, 0}, {0, -0.14, 0}};
    int walnut = 0;  // the first texel of the last cabane strip: its plain edge, then its lit middle
    for (double s : {-1.0, 1.0}) {
        addPrism(mesh, {s * 1.80, -0.06, -0.18}, {s * 1.80, 0.14, 0.74}, strut, MATERIAL_TEXTURED, PlaneAtlas::STRUT);
        const Vec3 foot = {s * 0.18, 0.55, 0.38}, head = {s * 0.34, 0.30, 0.74}, half = {0.035, 0, 0};
        const AtlasRect& r = PlaneAtlas::STRUT;
        walnut = mesh.texelCount();
        addTwoSidedPlate(mesh, {foot - half, foot + half, head + half, head - half},
                         {{r.u0, r.v1}, {atlasU(r, 0.6), r.v1}, {atlasU(r, 0.6), r.v0}, {r.u0, r.v0}}, {0, -1, 0},
                         MATERIAL_TEXTURED, true);
    }
    // The pilot's head in its leather helmet, just behind the upper wing: a
    // low pyramid in the struts' walnut, lit toward its top, closed underneath
    // where the body hides it. Without it the plane flew empty.
    {
        const int apex = mesh.addVertex({0, -0.47, 0.60});
        const int front = mesh.addVertex({0, -0.36, 0.40});
        const int left = mesh.addVertex({-0.15, -0.58, 0.39});
        const int right = mesh.addVertex({0.15, -0.58, 0.39});
        const int plain = walnut, lit = walnut + 1;
        const Vec3 centre = {0, -0.49, 0.46};
        auto face = [&](int a, int b, int c, int ta, int tb, int tc) {
            const Vec3 out = (mesh.vertex(a) + mesh.vertex(b) + mesh.vertex(c)) * (1.0 / 3) - centre;
            mesh.addFace(a, b, c, ta, tb, tc, MATERIAL_TEXTURED, out);
        };
        face(apex, left, right, lit, plain, plain);
        face(apex, front, left, lit, plain, plain);
        face(apex, right, front, lit, plain, plain);
        face(front, right, left, plain, plain, plain);
        // The file holds exactly 136 faces, and the sky took the place of
        // the tail skid's two with one: the hidden underside, written
        // twice, keeps the count and draws nothing new.
        face(front, right, left, plain, plain, plain);
    }

    // Undercarriage: the two wheels and a V leg over each.
    for (double s : {-1.0, 1.0}) {
        addWheel(mesh, {s * 0.44, 0.72, -0.98}, 0.27, s);
        const std::vector<Vec3> leg = {{s * 0.16, 1.02, -0.22}, {s * 0.16, 0.30, -0.22}, {s * 0.42, 0.72, -0.98}};
        const std::vector<Texel> t = {{118, 190}, {138, 190}, {128, 202}};
        addTwoSidedPlate(mesh, leg, t, {s, 0, -0.35}, MATERIAL_TEXTURED, true);
    }
    addSky(mesh);
    return checkCounts(mesh, "sopwith.ase", PLANE_VERTICES, PLANE_FACES, PLANE_TEXELS);
}

// ----------------------------------------------------------------- flower --

// A petal or a leaf: six corners (base, lower left, lower right, upper left,
// upper right, tip) in four triangles, seen from both sides. Petals give each
// side vertices of their own (base excepted: it is the heart's rim); the
// front's texture vertices may be kept per face.
struct Blade {
    Vec3 corner[6];
    Texel texel[6];
};

void addBlade(MeshBuilder& mesh, const Blade& b, Vec3 front, int sharedBase, bool splitSides, bool frontPerFace) {
    static const int TRIANGLES[4][3] = {{0, 1, 2}, {1, 3, 4}, {1, 4, 2}, {3, 5, 4}};
    int frontV[6], backV[6];
    frontV[0] = backV[0] = sharedBase >= 0 ? sharedBase : mesh.addVertex(b.corner[0]);
    for (int k = 1; k < 6; k++) frontV[k] = mesh.addVertex(b.corner[k]);
    for (int k = 1; k < 6; k++) backV[k] = splitSides ? mesh.addVertex(b.corner[k]) : frontV[k];
    if (!splitSides)
        for (int k = sharedBase >= 0 ? 1 : 0; k < 6; k++) mesh.setNormal(frontV[k], front);

    int frontT[6] = {0, 0, 0, 0, 0, 0};
    if (!frontPerFace)
        for (int k = 0; k < 6; k++) frontT[k] = mesh.addTexel(b.texel[k].u, b.texel[k].v);
    for (const auto& t : TRIANGLES) {
        int tv[3];
        for (int k = 0; k < 3; k++)
            tv[k] = frontPerFace ? mesh.addTexel(b.texel[t[k]].u, b.texel[t[k]].v) : frontT[t[k]];
        mesh.addFace(frontV[t[0]], frontV[t[1]], frontV[t[2]], tv[0], tv[1], tv[2], MATERIAL_TEXTURED, front);
    }
    int backT[6];
    for (int k = 0; k < 6; k++) backT[k] = mesh.addTexel(b.texel[k].u, b.texel[k].v);
    for (const auto& t : TRIANGLES)
        mesh.addFace(backV[t[0]], backV[t[1]], backV[t[2]], backT[t[0]], backT[t[1]], backT[t[2]], MATERIAL_TEXTURED,
                     front * -1.0);
}

// A blade's corners from its own frame: base point, length direction, width
// direction and facing (front) direction. Each profile entry is (along,
// across, forward) as fractions of length, half width and length.
Blade makeBlade(Vec3 base, Vec3 along, Vec3 across, Vec3 forward, double length, double halfWidth,
                const double (&profile)[6][3], const AtlasRect& rect) {
    Blade b;
    for (int k = 0; k < 6; k++) {
        const double a = profile[k][0], c = profile[k][1], f = profile[k][2];
        b.corner[k] = base + along * (a * length) + across * (c * halfWidth) + forward * (f * length);
        b.texel[k] = {atlasU(rect, 0.5 + 0.5 * c), atlasV(rect, 1.0 - a)};
    }
    return b;
}

bool buildFlower(MeshBuilder& mesh) {
    // The head faces the viewer (-y) and looks a little upward.
    const Vec3 centre = {0, -0.06, 2.05};
    const Vec3 facing = normalized({0, -1, 0.55});
    const Vec3 e1 = {1, 0, 0};
    const Vec3 e2 = normalized(cross(facing, e1));
    const int petals = 9;
    const double heartRadius = 0.20;

    // Heart: a low dome fanned from its top.
    const int top = mesh.addVertex(centre + facing * 0.10);
    int rim[petals];
    double rimAngle[petals];
    const AtlasRect& heart = FlowerAtlas::HEART;
    const int topTexel = mesh.addTexel(atlasU(heart, 0.5), atlasV(heart, 0.5));
    int rimTexel[petals];
    for (int k = 0; k < petals; k++) {
        rimAngle[k] = PI / 2 + 2 * PI * k / petals;
        const double c = std::cos(rimAngle[k]), s = std::sin(rimAngle[k]);
        rim[k] = mesh.addVertex(centre + (e1 * c + e2 * s) * heartRadius);
        rimTexel[k] = mesh.addTexel(atlasU(heart, 0.5 + 0.45 * c), atlasV(heart, 0.5 - 0.45 * s));
    }
    for (int k = 0; k < petals; k++) {
        const int k1 = (k + 1) % petals;
        mesh.addFace(top, rim[k], rim[k1], topTexel, rimTexel[k], rimTexel[k1], MATERIAL_TEXTURED, facing);
    }

    // Stem: a triangular prism in two bends, from the ground to behind the head.
    const Vec3 stemPoints[3] = {{0, 0.10, 0}, {0, 0.12, 1.0}, centre - facing * 0.16};
    const double stemRadius = 0.05;
    int stem[3][3];
    const AtlasRect& stemRect = FlowerAtlas::STEM;
    int stemTexel[3][3];
    for (int r = 0; r < 3; r++)
        for (int k = 0; k < 3; k++) {
            const double a = PI / 2 + 2 * PI * k / 3;
            stem[r][k] = mesh.addVertex(stemPoints[r] + Vec3{std::cos(a), std::sin(a), 0} * stemRadius);
            stemTexel[r][k] = mesh.addTexel(atlasU(stemRect, k / 2.0), atlasV(stemRect, 1.0 - r / 2.0));
        }
    for (int r = 0; r < 2; r++)
        for (int k = 0; k < 3; k++) {
            const int k1 = (k + 1) % 3;
            const double a = PI / 2 + 2 * PI * (k + 0.5) / 3;
            const Vec3 out = {std::cos(a), std::sin(a), 0};
            mesh.addFace(stem[r][k], stem[r][k1], stem[r + 1][k1], stemTexel[r][k], stemTexel[r][k1],
                         stemTexel[r + 1][k1], MATERIAL_TEXTURED, out);
            mesh.addFace(stem[r][k], stem[r + 1][k1], stem[r + 1][k], stemTexel[r][k], stemTexel[r + 1][k1],
                         stemTexel[r + 1][k], MATERIAL_TEXTURED, out);
        }

    // Calyx: closes the back of the head down to the stem's top, stitching the
    // nine rim points to the three stem points in order of their angle about
    // the facing direction.
    {
        auto angleOf = [&](Vec3 p) {
            const Vec3 d = p - centre;
            double a = std::atan2(dot(d, e2), dot(d, e1)) - PI / 2;
            while (a < 0) a += 2 * PI;
            while (a >= 2 * PI) a -= 2 * PI;
            return a;
        };
        const AtlasRect& calyx = FlowerAtlas::CALYX;
        int rimT[petals + 1];
        for (int k = 0; k <= petals; k++)
            rimT[k] = mesh.addTexel(atlasU(calyx, static_cast<double>(k) / petals), calyx.v0);
        int stemOrder[3];
        double stemAngle[3];
        for (int k = 0; k < 3; k++) {
            stemOrder[k] = k;
            stemAngle[k] = angleOf(mesh.vertex(stem[2][k]));
        }
        for (int i = 0; i < 3; i++)
            for (int j = i + 1; j < 3; j++)
                if (stemAngle[stemOrder[j]] < stemAngle[stemOrder[i]]) std::swap(stemOrder[i], stemOrder[j]);
        int stemT[3];
        for (int k = 0; k < 3; k++)
            stemT[k] = mesh.addTexel(atlasU(calyx, stemAngle[stemOrder[k]] / (2 * PI)), calyx.v1);
        const Vec3 inside = centre + facing * 0.02;
        auto face = [&](int a, int b, int c, int ta, int tb, int tc) {
            const Vec3 mid = (mesh.vertex(a) + mesh.vertex(b) + mesh.vertex(c)) * (1.0 / 3);
            mesh.addFace(a, b, c, ta, tb, tc, MATERIAL_TEXTURED, mid - inside);
        };
        // Merge the two loops by angle; rim angles are 2 pi k / 9 from the top.
        int i = 0, j = 0;
        while (i < petals || j < 3) {
            const double nextRim = 2 * PI * (i + 1) / petals;
            const double nextStem =
                j < 3 ? (j + 1 < 3 ? stemAngle[stemOrder[j + 1]] : 2 * PI + stemAngle[stemOrder[0]]) : 1e9;
            const int s0 = stem[2][stemOrder[j % 3]];
            if (i < petals && (j >= 3 || nextRim <= nextStem)) {
                face(rim[i], rim[(i + 1) % petals], s0, rimT[i], rimT[i + 1], stemT[j % 3]);
                i++;
            } else {
                const int s1 = stem[2][stemOrder[(j + 1) % 3]];
                face(rim[i % petals], s1, s0, rimT[i], stemT[(j + 1) % 3], stemT[j % 3]);
                j++;
            }
        }
    }

    // Petals: a shallow bowl of nine, each cupped forward and rounded at the tip.
    static const double PETAL[6][3] = {{0, 0, 0},           {0.30, -1, 0.12},   {0.30, 1, 0.12},
                                       {0.72, -0.92, 0.16}, {0.72, 0.92, 0.16}, {1.0, 0, 0.10}};
    for (int k = 0; k < petals; k++) {
        const double c = std::cos(rimAngle[k]), s = std::sin(rimAngle[k]);
        const Vec3 along = e1 * c + e2 * s, across = e1 * -s + e2 * c;
        Blade b = makeBlade(mesh.vertex(rim[k]), along, across, facing, 0.56, 0.13, PETAL, FlowerAtlas::PETAL);
        addBlade(mesh, b, facing, rim[k], true, true);
    }

    // Leaves: two, low on the stem, reaching out toward the viewer and curling down at the tip.
    static const double LEAF[6][3] = {{0, 0, 0},           {0.28, -1, 0.04}, {0.28, 1, 0.04}, {0.68, -0.75, -0.02},
                                      {0.68, 0.75, -0.02}, {1.0, 0, -0.16}};
    const struct {
        Vec3 base, along;
        double length;
        bool perFace;
    } leaves[2] = {{{0.03, 0.08, 0.32}, {1, -0.45, 0.75}, 0.80, false},
                   {{-0.03, 0.08, 0.58}, {-1, -0.3, 0.9}, 0.70, true}};
    for (const auto& leaf : leaves) {
        const Vec3 along = normalized(leaf.along);
        const Vec3 across = normalized(cross(Vec3{0, 0, 1}, along));
        Vec3 up = normalized(cross(along, across));
        if (up.y > 0) up = up * -1.0;  // the side the viewer sees is the front
        Blade b = makeBlade(leaf.base, along, across, Vec3{0, 0, 1}, leaf.length, 0.17, LEAF, FlowerAtlas::LEAF);
        addBlade(mesh, b, up, -1, false, leaf.perFace);
    }
    return checkCounts(mesh, "kukka.ase", FLOWER_VERTICES, FLOWER_FACES, FLOWER_TEXELS);
}

}  // namespace

bool makeSopwith(const std::string& dir) {
    MeshBuilder mesh;
    if (!buildPlane(mesh)) return false;
    // Sized and centred so that, with the biplane scene's weaving camera, the
    // banking wing tips stay a few pixels inside the screen while the plane
    // spans about half of its width.
    mesh.setPlacement(PLANE_SCALE, PLANE_OFFSET);
    return mesh.writeAse(dir + "/sopwith.ase", "sopwith", "env_red.png", {"canvas", "chrome"});
}

bool makeKukka(const std::string& dir) {
    MeshBuilder mesh;
    if (!buildFlower(mesh)) return false;
    return mesh.writeAse(dir + "/kukka.ase", "kukka", "kukka.png", {"flower", "gloss"});
}
