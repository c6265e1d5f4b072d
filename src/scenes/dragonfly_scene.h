// DragonflyScene: a field of flowers drifting toward the viewer into a haze,
// three credit bands sliding across, and a flapping dragonfly circling in front.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/fixed.h"
#include "gfx/pixel.h"

class Image;
class Mesh;

class DragonflyScene {
   public:
    static constexpr int FLOWER_COUNT = 12;
    static constexpr int WING_FRAMES = 3;
    static constexpr int FOG_LEVELS = 4;
    static constexpr int CREDIT_BANDS = 3;
    // The haze the far flowers fade into: red 30, green 61, blue 29.
    static constexpr uint16_t FOG_COLOR = 0xF7BD;
    // Picture layouts: every picture is read at these fixed strides.
    static constexpr int BODY_WIDTH = 32;
    static constexpr int BODY_HEIGHT = 84;
    static constexpr int WING_WIDTH = 192;
    static constexpr int WING_MIN_HEIGHT = 2;  // the last row of a wing is never drawn
    static constexpr int CREDITS_WIDTH = 256;
    static constexpr int CREDITS_HEIGHT = 176;
    static constexpr int TEXTURE_SIZE = 256;
    // Wing pixels are drawn only above this opacity (63 - green): green 52
    // and darker.
    static constexpr int WING_MIN_OPACITY = 11;

    // Everything the scene reads from data/, owned by the scene once handed over.
    struct Assets {
        Image* body;                // 32 x 84 sprite colours
        Image* bodyOpacity;         // 32 x 84; green = opacity
        Image* wings[WING_FRAMES];  // 192 wide, 2 or more rows; opacity = 63 - green
        Image* credits;             // 256 wide, 176 or more rows
        Image* creditsOpacity;      // the same layout; green = opacity
        Image* backdrop;            // 320 x 240
        Image* flowerTexture;       // 256 x 256, the flower's texture and reflection
        Mesh* flower;               // kukka.ase
    };

    // Loads dragonfly, dragonfly_opac, df_wing1..3, credits, credits_opac,
    // bg, kukka.png and then the flower mesh (kukka.png as texture and
    // reflection; 121 vertices, 121 faces, 224 texture vertices), in that
    // order. A missing, undecodable or too small file ends start-up with its
    // message.
    static Assets load();
    // Takes ownership; refuses a missing or undersized picture (message,
    // status 1), points the flower's texture and reflection at flowerTexture,
    // builds the four haze textures and the drawing extents, and draws three
    // showRand() values per flower for its height. The pictures are read for
    // their extents here, once: they are not to be changed afterwards.
    explicit DragonflyScene(const Assets& assets);
    ~DragonflyScene();
    DragonflyScene(const DragonflyScene&) = delete;
    DragonflyScene& operator=(const DragonflyScene&) = delete;

    // t: elapsed show time in ms. Advances the wing frame, poses the camera,
    // moves the flowers by the time since the previous update (nothing on the
    // first) and places the credit bands.
    void update(uint32_t t);
    // Backdrop, flowers, credit bands, dragonfly. Bit-identical to
    // renderDragonflyReference.
    void render();

    // Rows firstRow .. endRow - 1 of the credits, `width` columns from column
    // 0, placed with their first pixel at screen (x, y); clipped to the
    // screen. Opacity 63 copies, anything else blends.
    void drawCreditStrip(int32_t x, int32_t y, int32_t width, int32_t firstRow, int32_t endRow);
    // The current wing frame and the body centred on screen (cx, cy), clipped
    // to the screen. render() passes the point on the circle.
    void drawDragonfly(int32_t cx, int32_t cy);

    // Haze level for a flower at this distance: its integer part minus 15,
    // clamped to 0..4 (0 is the flower's own texture).
    static int32_t fogLevel(Fixed distance);
    // The texture a flower at this distance is drawn with.
    Image* flowerTextureAt(Fixed distance) const;

    Image* body = nullptr;
    Image* bodyOpacity = nullptr;
    Image* credits = nullptr;
    Image* creditsOpacity = nullptr;
    Image* wings[WING_FRAMES] = {nullptr, nullptr, nullptr};
    int32_t wingLift[WING_FRAMES] = {60, 40, 10};  // rows each frame is raised by
    int32_t wingFrame = 0;                         // 0..2
    Image* backdrop = nullptr;
    int32_t circleAngle = 0;  // (8 t) & 0xFFFF
    Mesh* flower = nullptr;
    Image* flowerTexture = nullptr;
    // 25, 50, 75 and 100 % toward FOG_COLOR.
    Image* fogTextures[FOG_LEVELS] = {nullptr, nullptr, nullptr, nullptr};
    Fixed flowerX[FLOWER_COUNT] = {};
    Fixed flowerY[FLOWER_COUNT] = {};  // distance ahead, 2.0 .. 20.0
    Fixed flowerZ[FLOWER_COUNT] = {};  // -3.0 .. -2.1, from showRand()
    int32_t lastMs = -1;               // time of the previous update, -1 before the first
    int32_t creditX[CREDIT_BANDS] = {0, 0, 0};
    int32_t creditWobble[CREDIT_BANDS] = {0, 0, 0};  // rows; set by every update

   private:
    // Columns [first, end) of one picture row outside which nothing is drawn
    // (opacity 0, or a wing too light to show).
    struct Extent {
        int16_t first, end;
    };
    void buildFogTextures();
    void buildExtents();

    std::vector<Extent> creditExtents;             // one per credits row
    std::vector<Extent> bodyExtents;               // BODY_HEIGHT rows
    std::vector<Extent> wingExtents[WING_FRAMES];  // one per wing row drawn
};
