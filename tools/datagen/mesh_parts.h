// Shapes shared by the two mesh makers: prisms, boxes, two-sided plates.
#pragma once

#include <vector>

#include "mesh_atlas.h"
#include "mesh_builder.h"

// Material ids as the renderer reads them.
constexpr int MATERIAL_TEXTURED = 0;
constexpr int MATERIAL_ENVIRONMENT = 1;

// A texel position: column u, row v of a 256 x 256 picture.
struct Texel {
    double u, v;
};

// Maps a point of a part's own 2D layout (s, t in 0..1) into an atlas rectangle.
inline double atlasU(const AtlasRect& r, double s) { return r.u0 + (r.u1 - r.u0) * s; }
inline double atlasV(const AtlasRect& r, double t) { return r.v0 + (r.v1 - r.v0) * t; }

// A thin box between two corners (axis-aligned), faces oriented outward. The
// top (z) face maps x to u and y to v of rect (y1 at v0: the leading edge of
// a wing), the bottom face the same way into under; the four thin sides map
// onto rect's rim.
void addWingBox(MeshBuilder& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, const AtlasRect& under, int material);

// An open prism along the segment from bottom to top (no end caps: both ends
// sit inside other parts). section holds the corner offsets around the axis,
// the same at both ends; faces point away from the axis.
void addPrism(MeshBuilder& mesh, Vec3 bottom, Vec3 top, const std::vector<Vec3>& section, int material,
              const AtlasRect& rect);

// A flat convex polygon seen from both sides: each triangle of a fan from the
// first corner is added in both windings. The corners come with their texel
// positions. normal is the front
// side's normal, stored for every corner.
// With separateBack the back side gets texture vertices of its own (same
// positions).
void addTwoSidedPlate(MeshBuilder& mesh, const std::vector<Vec3>& corners, const std::vector<Texel>& texels,
                      Vec3 normal, int material, bool separateBack);
