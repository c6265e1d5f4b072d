// The mesh transform and the triangle rasterizer written out literally: one
// matrix call, one face, one row and one pixel at a time.
#include "scenes/reference/mesh_reference.h"

#include <cstdint>
#include <utility>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"

void transformMeshReference(Mesh& mesh) {
    for (int32_t& a : mesh.angle) a &= 0xFFFF;
    mesh.rotation.setRotation(sineTable[mesh.angle[0]], sineTable[mesh.angle[1]], sineTable[mesh.angle[2]],
                              cosineTable[mesh.angle[0]], cosineTable[mesh.angle[1]], cosineTable[mesh.angle[2]]);
    const Camera& camera = *Screen::instance()->camera;
    Matrix view;
    view.setIdentity();
    view.multiply(mesh.rotation);
    view.multiply(camera.matrix);
    Fixed tx, ty, tz;
    camera.matrix.transform(fixedAdd(mesh.position[0], camera.position[0]),
                            fixedAdd(mesh.position[1], camera.position[1]),
                            fixedAdd(mesh.position[2], camera.position[2]), tx, ty, tz);
    for (int32_t i = 0; i < mesh.vertexCount; i++) {
        MeshVertex& v = mesh.vertices[i];
        Fixed sx, sy, sz;
        view.transform(v.x, v.y, v.z, sx, sy, sz);
        sx = fixedAdd(sx, tx);
        sy = fixedAdd(sy, ty);
        sz = fixedAdd(sz, tz);
        view.transform(v.nx, v.ny, v.nz, v.rnx, v.rny, v.rnz);
        if (sz == 0) {
            mesh.screenX[i] = 160;
            mesh.screenY[i] = 120;
            mesh.viewZ[i] = -1;
            continue;
        }
        const int64_t d64 = (static_cast<int64_t>(mesh.focalLength) * 65536) / sz;
        const Fixed d = static_cast<Fixed>(static_cast<uint32_t>(static_cast<uint64_t>(d64)));
        mesh.screenX[i] = (fixedMul(sx, d) >> 16) + 160;
        mesh.screenY[i] = (fixedMul(sy, d) >> 16) + 120;
        mesh.viewZ[i] = sz;
    }
}

namespace {

struct Corner {
    Fixed x, y, z, u, v;
};

struct Edge {
    Fixed x, z, u, v;
};

int32_t clampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

struct ReferenceRasterizer {
    Screen& screen;
    Mesh& mesh;
    int32_t clipLeft, clipRight;
    Fixed clipTop, clipBottom;

    void span(int32_t x1, int32_t x2, int32_t row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1, Fixed z2,
              const uint16_t* texels) {
        if (x1 < 0 && x2 < 0) return;
        if (x1 > 319 && x2 > 319) return;
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(u1, u2);
            std::swap(v1, v2);
            std::swap(z1, z2);
        }
        Fixed du = 0, dv = 0, dz = 0;
        if (x2 - x1 > 0) {
            const Fixed r = static_cast<Fixed>((int64_t{1} << 32) / (static_cast<int64_t>(x2 - x1) * 65536));
            du = fixedMul(fixedSub(u2, u1), r);
            dv = fixedMul(fixedSub(v2, v1), r);
            dz = fixedMul(fixedSub(z2, z1), r);
        }
        const int32_t last = x2 < clipRight ? x2 : clipRight - 1;
        while (x1 < clipLeft) {
            u1 = fixedAdd(u1, du);
            v1 = fixedAdd(v1, dv);
            z1 = fixedAdd(z1, dz);
            x1++;
        }
        for (int32_t x = x1; x <= last; x++) {
            const int32_t at = row * 320 + x;
            if (z1 < screen.depthBuffer[at]) {
                screen.depthBuffer[at] = z1;
                const uint32_t index =
                    (static_cast<uint32_t>(u1 >> 16) | (static_cast<uint32_t>(v1 >> 16) << 8)) & 0xFFFFu;
                screen.backBuffer[at] = texels[index];
            }
            u1 = fixedAdd(u1, du);
            v1 = fixedAdd(v1, dv);
            z1 = fixedAdd(z1, dz);
        }
    }

    static void step(Edge& e, const Edge& d) {
        e.x = fixedAdd(e.x, d.x);
        e.z = fixedAdd(e.z, d.z);
        e.u = fixedAdd(e.u, d.u);
        e.v = fixedAdd(e.v, d.v);
    }

    // Steps per row of the edge from p to q; exactX and exactZ pick the 64-bit
    // quotient instead of the product with the reciprocal.
    static Edge slopes(const Corner& p, const Corner& q, bool exactX, bool exactZ) {
        Edge d{0, 0, 0, 0};
        const int64_t h = static_cast<int64_t>(q.y) - p.y;
        if (h <= 0) return d;
        const Fixed r = static_cast<Fixed>((int64_t{1} << 32) / h);
        d.x = exactX ? static_cast<Fixed>(static_cast<int64_t>(fixedSub(q.x, p.x)) * 65536 / h)
                     : fixedMul(fixedSub(q.x, p.x), r);
        d.z = exactZ ? static_cast<Fixed>(static_cast<int64_t>(fixedSub(q.z, p.z)) * 65536 / h)
                     : fixedMul(fixedSub(q.z, p.z), r);
        d.u = fixedMul(fixedSub(q.u, p.u), r);
        d.v = fixedMul(fixedSub(q.v, p.v), r);
        return d;
    }

    void rows(Edge& left, const Edge& dLeft, Edge& right, const Edge& dRight, Fixed from, Fixed to,
              const uint16_t* texels) {
        for (int64_t y = from; y < to; y += 0x10000) {
            if (clipTop <= y && y < clipBottom)
                span(left.x >> 16, right.x >> 16, static_cast<int32_t>(y >> 16), left.u, left.v, right.u, right.v,
                     left.z, right.z, texels);
            step(left, dLeft);
            step(right, dRight);
        }
    }

    void face(int32_t i) {
        const MeshFace& f = mesh.faces[i];
        const int32_t idx[3] = {f.a, f.b, f.c};
        for (int32_t k : idx)
            if (k < 0 || k >= mesh.vertexCount) return;
        const bool env = f.materialId == ENV_MATERIAL;
        const int32_t tidx[3] = {mesh.texFaces[i].a, mesh.texFaces[i].b, mesh.texFaces[i].c};
        if (!env)
            for (int32_t k : tidx)
                if (k < 0 || k >= mesh.texCoordCount) return;
        const Image* source = env ? mesh.envMap : mesh.texture;

        Corner c[3];
        for (int k = 0; k < 3; k++) {
            c[k].x = static_cast<Fixed>(static_cast<uint32_t>(mesh.screenX[idx[k]]) << 16);
            c[k].y = static_cast<Fixed>(static_cast<uint32_t>(mesh.screenY[idx[k]]) << 16);
            c[k].z = mesh.viewZ[idx[k]];
            if (env) {
                c[k].u = static_cast<Fixed>((static_cast<uint32_t>(mesh.vertices[idx[k]].rnx) << 7) + 0x800000u);
                c[k].v = static_cast<Fixed>((static_cast<uint32_t>(mesh.vertices[idx[k]].rny) << 7) + 0x800000u);
            } else {
                c[k].u = mesh.texCoords[tidx[k]].u;
                c[k].v = mesh.texCoords[tidx[k]].v;
            }
        }
        if (c[0].z < 0 || c[1].z < 0 || c[2].z < 0) return;
        if (c[0].x < 0 && c[1].x < 0 && c[2].x < 0) return;
        if (c[0].x > 0x13FFFFF && c[1].x > 0x13FFFFF && c[2].x > 0x13FFFFF) return;

        const __int128 x0 = mesh.screenX[idx[0]], y0 = mesh.screenY[idx[0]];
        const __int128 area = (mesh.screenX[idx[1]] - x0) * (mesh.screenY[idx[2]] - y0) -
                              (mesh.screenX[idx[2]] - x0) * (mesh.screenY[idx[1]] - y0);
        mesh.faceArea[i] = area > INT32_MAX ? INT32_MAX : (area < INT32_MIN ? INT32_MIN : static_cast<int32_t>(area));

        if (c[0].y > c[1].y) std::swap(c[0], c[1]);
        if (c[1].y > c[2].y) std::swap(c[1], c[2]);
        if (c[0].y > c[1].y) std::swap(c[0], c[1]);
        if (c[0].y > 0xEF0000 || c[2].y < 0) return;
        if ((c[0].y >> 16) < screen.depthMinRow) screen.depthMinRow = c[0].y >> 16;
        if ((c[2].y >> 16) > screen.depthMaxRow) screen.depthMaxRow = c[2].y >> 16;
        if (area >= 0) return;
        if (!source || !source->pixels || source->pixelCount < 65536) return;

        const Edge a = slopes(c[0], c[1], true, false);
        const Edge b = slopes(c[0], c[2], false, true);
        const Edge e = slopes(c[1], c[2], false, false);
        const bool aIsLeft = a.x <= b.x;
        Edge ea{c[0].x, c[0].z, c[0].u, c[0].v};
        Edge eb = ea;
        if (aIsLeft)
            rows(ea, a, eb, b, c[0].y, c[1].y, source->pixels);
        else
            rows(eb, b, ea, a, c[0].y, c[1].y, source->pixels);
        Edge ec{c[1].x, c[1].z, c[1].u, c[1].v};
        if (aIsLeft)
            rows(ec, e, eb, b, c[1].y, c[2].y, source->pixels);
        else
            rows(eb, b, ec, e, c[1].y, c[2].y, source->pixels);
    }
};

}  // namespace

void renderMeshReference(Mesh& mesh) {
    ReferenceRasterizer r{*Screen::instance(),
                          mesh,
                          clampTo(mesh.clipLeft, 0, 320),
                          clampTo(mesh.clipRight, 0, 320),
                          clampTo(mesh.clipTop, 0, 0xF00000),
                          clampTo(mesh.clipBottom, 0, 0xF00000)};
    for (int32_t i = 0; i < mesh.faceCount; i++) r.face(i);
    // Its depth writes are not recorded for the fast clear.
    r.screen.forgetDepthExtents();
}
