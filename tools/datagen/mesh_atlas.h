// Where the two meshes take their texels: the layout shared by the mesh makers
// and the painters of env_red.png and kukka.png (both 256 x 256).
#pragma once

// A rectangle of texels: columns u0..u1, rows v0..v1 (row 0 at the top, as
// the renderer addresses the picture).
struct AtlasRect {
    double u0, v0, u1, v1;
};

// env_red.png is the biplane's texture and, at once, its environment map.
// Environment-mapped faces (fuselage and cowling, struts, wheels, legs) sample
// the disc of radius 128 around texel (128, 128) at 128 + 128 x their view
// normal: the centre is what faces turned toward the viewer show, the rim what
// grazing faces show (at the silhouette), the top of the disc is "up" on screen.
// The painted parts sit in the border strips, where only grazing faces reach:
namespace PlaneAtlas {
// Upper wing, its top surface: the span runs along u (left tip at u0, as seen
// from behind), the chord along v (leading edge at v0). Its underside, in the
// shade, lies just below.
constexpr AtlasRect UPPER_WING = {2, 2, 253, 22};
constexpr AtlasRect UPPER_WING_UNDER = {2, 24, 253, 44};
// Lower wing, laid out the same way.
constexpr AtlasRect LOWER_WING = {2, 211, 253, 231};
constexpr AtlasRect LOWER_WING_UNDER = {2, 233, 253, 253};
// Texels per unit of wing along the span, over those along the chord.
constexpr double WING_TEXEL_ASPECT = 2.0;
// Tailplane, both surfaces: span along v (left tip at v0), chord along u
// (leading edge at u1, the inner side of the strip).
constexpr AtlasRect TAILPLANE = {2, 52, 40, 134};
// A wheel seen side on: the hub at the centre of the square, the tyre round
// its rim. Both sides of both wheels use it.
constexpr AtlasRect WHEEL = {8, 138, 34, 162};
// Fin and rudder, both sides: chord along u (leading edge at u1), height along
// v (top at v0).
constexpr AtlasRect FIN = {2, 166, 40, 204};
// Propeller blades, bare wood: blade length along v (one tip at v0, the
// other at v1), blade width along u.
constexpr AtlasRect PROPELLER = {215, 52, 245, 204};
// The sky behind the plane: a gradient down the rows, from SKY_TOP degrees
// above the horizon at v0 to SKY_BOTTOM below it at v1, the same in every
// column. It lies on the right rim of the reflection disc, so the body's
// right flank, seen edge on, mirrors the sky there.
constexpr AtlasRect SKY = {248, 52, 253, 204};
constexpr double SKY_TOP = 48, SKY_BOTTOM = -34;
// Struts: varnished walnut, unrolled around each strut along u, its length
// along v.
// In the picture's corner, beyond the reach of any reflected direction.
constexpr AtlasRect STRUT = {4, 47, 20, 49};
// The cowling and nose cap, bare metal: unrolled around the nose along u
// (from the lower right round past the top), from the nose (v0) back to the
// body (v1). In the opposite corner.
constexpr AtlasRect COWLING = {234, 46, 252, 50};
}  // namespace PlaneAtlas

// kukka.png: every face of the flower is texture-mapped (the show fades the
// flower into haze by swapping its texture, which environment mapping would
// bypass).
namespace FlowerAtlas {
// One petal, drawn upright: its base at the bottom centre (u mid, v1), its tip
// at the top centre (u mid, v0); both sides of every petal use it.
constexpr AtlasRect PETAL = {4, 4, 124, 124};
// The flower's heart seen face on: a disc filling the square, the dome's top
// at its centre.
constexpr AtlasRect HEART = {132, 4, 252, 124};
// One leaf, drawn upright like the petal (base at the bottom centre).
constexpr AtlasRect LEAF = {4, 132, 124, 252};
// The stem, from the ground (v1) up to the flower (v0); its three sides share
// the strip side by side, so paint it varying along v only.
constexpr AtlasRect STEM = {196, 132, 252, 252};
// The back of the flower head (the green calyx), unrolled around the head
// along u, from the rim of the heart (v0) to the top of the stem (v1).
constexpr AtlasRect CALYX = {132, 132, 188, 252};
}  // namespace FlowerAtlas
