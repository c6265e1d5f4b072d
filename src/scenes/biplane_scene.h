// BiplaneScene: the biplane weaving before the camera while three layers of
// clouds stream past, the sky filled in around the plane through the depth buffer.
#pragma once

#include <cstdint>

#include "engine/fixed.h"
#include "gfx/pixel.h"

class Image;
class Mesh;
struct Camera;

// One cloud layer, all 16.16. A screen point (x, y) reads the texel at column
// uStart + x * step and row vStart + y * step.
struct CloudLayer {
    int32_t scale;   // texels per screen pixel, 1..90000; also indexes cloudFade
    int32_t uStart;  // texture column at screen column 0 of every row
    int32_t vStart;  // texture row at screen row 0
    int32_t step;    // always equal to scale
};

class BiplaneScene {
   public:
    static constexpr int LAYER_COUNT = 3;
    // Cloud texel indices cover 0..65535: the pictures are read as 256 x 256.
    static constexpr int CLOUD_SIZE = 256;
    // env_red is the mesh's texture and reflection, read as 256 x 256.
    static constexpr int PLANE_TEXTURE_SIZE = 256;
    static constexpr int32_t MAX_SCALE = 90000;
    // Red 6, green 28, blue 19: the empty sky before any cloud light.
    static constexpr uint16_t SKY_BASE = 0x3393;
    // The depth the sky is cleared to (100.0); a pixel still at it shows sky.
    static constexpr Fixed SKY_DEPTH = 0x640000;
    static constexpr Fixed FOCAL_LENGTH = 0x12C0000;  // 300.0
    // The depth-tested rows end BAND_MARGIN rows after depthMaxRow.
    static constexpr int32_t BAND_MARGIN = 4;

    // Everything the scene reads from data/, owned by the scene once handed over.
    struct Assets {
        Image* planeTexture;         // env_red, 256 x 256 or larger
        Mesh* plane;                 // sopwith.ase
        Image* clouds[LAYER_COUNT];  // cloud1..3, 256 x 256 or larger; green = light
    };

    // Loads env_red, the plane (env_red as texture and reflection; 122
    // vertices, 136 faces, 286 texture vertices), then cloud1, cloud2, cloud3.
    // A missing, undecodable or too small picture ends start-up with its message.
    static Assets load();
    // Takes ownership; refuses pictures smaller than 256 x 256 (message,
    // status 1), points the plane's texture and reflection at planeTexture
    // and builds cloudFade. The cloud pictures' greens are read here, once:
    // later changes to their pixels are not seen. The trig tables must
    // already be built.
    explicit BiplaneScene(const Assets& assets);
    ~BiplaneScene();
    BiplaneScene(const BiplaneScene&) = delete;
    BiplaneScene& operator=(const BiplaneScene&) = delete;

    // The pose at show time t (ms): the camera weaves a figure-of-eight above
    // the plane, which rocks at the origin; then Camera::update and
    // Mesh::transform, in that order.
    static void posePlane(Mesh& plane, Camera& camera, uint32_t t);
    // The three cloud layers at show time t (ms).
    static void setLayers(CloudLayer (&layers)[LAYER_COUNT], uint32_t t);

    // Poses the Screen's camera and the plane, transforms it, sets the layers.
    void update(uint32_t t);
    // Clears the depth rows to 100.0, draws the plane, then renderSky().
    void render();
    // The sky pass alone, over the current back buffer, depth buffer and
    // written-row range: every row once, top to bottom; rows from depthMinRow
    // up to (not including) depthMaxRow + 4 keep the pixels whose depth is not
    // SKY_DEPTH as their base colour, every other pixel starts from SKY_BASE;
    // then each layer adds its cloud light. Bit-identical to the plain
    // per-pixel pass in scenes/reference/biplane_reference.h.
    void renderSky();

    CloudLayer layers[LAYER_COUNT] = {};
    Mesh* planeMesh = nullptr;
    Image* planeTexture = nullptr;
    Image* cloudImages[LAYER_COUNT] = {};
    // Attenuation subtracted from a layer's cloud green, indexed by its scale:
    // 34 at 0, 0 at 32000, 63 at 90000.
    int32_t cloudFade[MAX_SCALE + 1] = {};
    // Set at construction when the processor can pick 16 bytes by index in
    // one step (SSSE3); tests clear it to run the one-texel-at-a-time fetch
    // that must give the same bits.
    bool shuffleFetch = false;

   private:
    // Texel greens are fetched in windows of this many bytes.
    static constexpr int WINDOW = 16;
    static constexpr int TEXELS = CLOUD_SIZE * CLOUD_SIZE;

    // What one layer needs for every row of a frame.
    struct LayerPlan {
        // Texel column (uk >> 16, two's complement) of every screen column.
        uint32_t columns[SCREEN_WIDTH];
        // Screen columns are fetched in groups of groupSize (16 or 8): group
        // g reads the WINDOW greens from texel column columns[g x groupSize]
        // on and picks its columns at offsets control[g]. 0: some group's
        // columns do not fit one window, and every texel is fetched alone.
        int32_t groupSize;
        alignas(16) uint8_t control[SCREEN_WIDTH / 8][WINDOW];
        uint16_t fade;
    };
    void planLayer(int k);

    // The green field of every texel of each cloud picture, read once at
    // construction, followed by a copy of the first WINDOW texels so that a
    // window may run past texel 65535 and wrap.
    uint8_t greens[LAYER_COUNT][TEXELS + WINDOW] = {};
    LayerPlan plans[LAYER_COUNT] = {};
    // Per layer, the light c = max(green - fade, 0) of every screen column
    // on the texture row last fetched.
    alignas(16) uint8_t light[LAYER_COUNT][SCREEN_WIDTH] = {};
};
