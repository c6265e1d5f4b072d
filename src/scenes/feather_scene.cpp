// The feather scene: background copy, the rotated feather blended through its
// opacity picture, and the logo's opacity-ordered dissolve.
#include "scenes/feather_scene.h"

#include <algorithm>
#include <cstdint>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "gfx/vector_clones.h"

namespace {
const char* const BACKGROUND_PATH = "data/bg3.png";
const char* const FEATHER_PATH = "data/feather.png";
const char* const FEATHER_ALPHA_PATH = "data/feather_alpha.png";
const char* const LOGO_PATH = "data/tornvale.png";
const char* const LOGO_OPACITY_PATH = "data/tornvale_opac.png";

constexpr int FEATHER_SIZE = FeatherScene::FEATHER_SIZE;
// The feather square's loop rows and its centre in those coordinates.
constexpr int FEATHER_FIRST_ROW = 120;
constexpr int FEATHER_CENTRE_X = 64;
constexpr int FEATHER_CENTRE_Y = 184;
// The texture turns about its own centre texel.
constexpr int TEXTURE_CENTRE = 64;
// Screen placement: index = (y + offsetY - 64) * 320 + x + offsetX + 97.
constexpr int FEATHER_ROW_SHIFT = -64;
constexpr int FEATHER_COLUMN_SHIFT = 97;
// The rocking is centred on this angle (65536 units per turn).
constexpr int32_t ROCK_CENTRE = 40000;

// The logo's weight for opacity g: max(0, g x 1024 - fade), kept within
// blend565's 0..65536 whatever fade holds.
inline uint32_t logoWeight(int g, int32_t fade) {
    int64_t a = (int64_t{g} << 10) - fade;
    if (a < 0) a = 0;
    if (a > 65536) a = 65536;
    return static_cast<uint32_t>(a);
}

// The logo for any fade, through blend565 itself.
void blendLogoGeneral(uint16_t* back, const uint16_t* logo, const uint16_t* opacity, int32_t fade) {
    for (int32_t i = FeatherScene::LOGO_FIRST_INDEX; i <= FeatherScene::LOGO_LAST_INDEX; i++)
        back[i] = blend565(back[i], logo[i], logoWeight(green6(opacity[i]), fade));
}
}  // namespace

FeatherScene::Assets FeatherScene::load() {
    Assets assets;
    assets.background = loadPicture(BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    assets.feather = loadPicture(FEATHER_PATH, FEATHER_SIZE, FEATHER_SIZE);
    assets.featherAlpha = loadPicture(FEATHER_ALPHA_PATH, FEATHER_SIZE, FEATHER_SIZE);
    assets.logo = loadPicture(LOGO_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    assets.logoOpacity = loadPicture(LOGO_OPACITY_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    return assets;
}

FeatherScene::FeatherScene(const Assets& assets)
    : background(assets.background),
      featherImage(assets.feather),
      featherAlpha(assets.featherAlpha),
      logoImage(assets.logo),
      logoOpacity(assets.logoOpacity) {
    requireImageSize(*background, BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(*featherImage, FEATHER_PATH, FEATHER_SIZE, FEATHER_SIZE);
    requireImageSize(*featherAlpha, FEATHER_ALPHA_PATH, FEATHER_SIZE, FEATHER_SIZE);
    requireImageSize(*logoImage, LOGO_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(*logoOpacity, LOGO_OPACITY_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
}

FeatherScene::~FeatherScene() {
    delete background;
    delete featherImage;
    delete featherAlpha;
    delete logoImage;
    delete logoOpacity;
}

void FeatherScene::update(uint32_t t) {
    offsetY = static_cast<int32_t>(t >> 8) - 100;
    swingPhase = static_cast<int32_t>(8u * t);
    offsetX = (sineTable[(8u * t + 32000u) & 0xFFFF] * 50) >> 16;
    logoVisible = false;
    if (t > LOGO_START_MS) {
        logoVisible = true;
        // 256 less per millisecond from 65536, down to 0; the product is only
        // formed while it is below 65536, so a far-off time cannot wrap it
        // back to a visible fade.
        const uint32_t since = t - LOGO_START_MS;
        logoFade = since >= 256 ? 0 : 65536 - 256 * static_cast<int32_t>(since);
    }
}

void FeatherScene::rotation(int32_t* c, int32_t* s) const {
    const int32_t rot = ((sineTable[swingPhase & 0xFFFF] >> 3) + ROCK_CENTRE) & 0xFFFF;
    *c = cosineTable[rot];
    *s = sineTable[rot];
}

void FeatherScene::render() {
    background->copyToScreen();
    uint16_t* back = Screen::instance()->backBuffer;
    drawFeather(back);
    if (!logoVisible) return;
    // The 16-bit path holds for every fade the show produces (whole multiples
    // of 256 within 0..65536); anything else takes the general blend.
    if (logoFade >= 0 && logoFade <= 65536 && (logoFade & 255) == 0)
        drawLogo(back);
    else
        blendLogoGeneral(back, logoImage->pixels, logoOpacity->pixels, logoFade);
}

namespace {

// The feather picture in 8 x 8 texel blocks, and per loop row the columns
// whose texel can lie in a block with any opacity; every other column maps to
// opacity 0 or outside the picture and is left as it is.
constexpr int BLOCK = 8;
constexpr int BLOCKS = FEATHER_SIZE / BLOCK;
// Safety margin in pixels around each block's footprint: covers the integer
// rounding below and the table rotation's slight departure from a true one.
constexpr int32_t FOOTPRINT_MARGIN = 2;

struct ColumnRanges {
    int32_t first[FEATHER_SIZE];
    int32_t last[FEATHER_SIZE];
};

// Which blocks hold any opacity: the eight rows of a block band are OR-ed
// together (opacity is the green field, so any green bit in the OR means
// some texel has it).
void opaqueBlocks(const uint16_t* alpha, bool blocks[BLOCKS][BLOCKS]) {
    for (int band = 0; band < BLOCKS; band++) {
        uint16_t merged[FEATHER_SIZE] = {};
        for (int r = 0; r < BLOCK; r++) {
            const uint16_t* row = alpha + (band * BLOCK + r) * FEATHER_SIZE;
            for (int u = 0; u < FEATHER_SIZE; u++) merged[u] |= row[u];
        }
        for (int b = 0; b < BLOCKS; b++) {
            uint16_t any = 0;
            for (int u = 0; u < BLOCK; u++) any |= merged[b * BLOCK + u];
            blocks[band][b] = (any & 0x7E0) != 0;
        }
    }
}

// Floor and ceiling of a 16.16 value.
inline int32_t floor16(int64_t v) { return static_cast<int32_t>(v >> 16); }
inline int32_t ceil16(int64_t v) { return static_cast<int32_t>(-((-v) >> 16)); }

// A loop pixel (dx, dy) samples texel floor((dx c + dy s) / 65536) + 64,
// floor((dy c - dx s) / 65536) + 64. A texel block is a box in that texture
// space, and the pixels sampling it lie in the box's image under the inverse
// rotation (dx, dy) = (U c - V s, U s + V c) / 65536 (U, V from the centre):
// within the bounding box of its four mapped corners, widened by the margin.
void featherColumns(const bool blocks[BLOCKS][BLOCKS], int32_t c, int32_t s, ColumnRanges* ranges) {
    for (int r = 0; r < FEATHER_SIZE; r++) {
        ranges->first[r] = FEATHER_SIZE;
        ranges->last[r] = -1;
    }
    for (int band = 0; band < BLOCKS; band++)
        for (int b = 0; b < BLOCKS; b++) {
            if (!blocks[band][b]) continue;
            int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
            for (int corner = 0; corner < 4; corner++) {
                const int64_t U = (b + (corner & 1)) * BLOCK - TEXTURE_CENTRE;
                const int64_t V = (band + (corner >> 1)) * BLOCK - TEXTURE_CENTRE;
                const int64_t x = U * c - V * s, y = U * s + V * c;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
            const int32_t left = floor16(minX) + FEATHER_CENTRE_X - FOOTPRINT_MARGIN;
            const int32_t right = ceil16(maxX) + FEATHER_CENTRE_X + FOOTPRINT_MARGIN;
            const int32_t top = std::max(floor16(minY) + 64 - FOOTPRINT_MARGIN, 0);
            const int32_t bottom = std::min(ceil16(maxY) + 64 + FOOTPRINT_MARGIN, FEATHER_SIZE - 1);
            for (int r = top; r <= bottom; r++) {
                ranges->first[r] = std::min(ranges->first[r], left);
                ranges->last[r] = std::max(ranges->last[r], right);
            }
        }
}

// (d x ia + s x a) >> 8 for one field, kept in 16-bit arithmetic: with
// ia + a = 256 and fields of at most 63 the sum is at most 16128, and the
// narrow type is what lets the compiler run 16 lanes at once.
inline uint16_t weightedField(unsigned d, unsigned s, uint16_t ia, uint16_t a) {
    const uint16_t sum = static_cast<uint16_t>(static_cast<uint16_t>(d * ia) + static_cast<uint16_t>(s * a));
    return static_cast<uint16_t>(sum >> 8);
}

// The logo blend of the 16-bit path over count pixels (a multiple of 16).
// Runs of 16 pixels whose opacities are all 0 keep their pixels, as a zero
// weight does, and are passed over.
AMBRELLE_VECTOR_CLONES void blendLogoQuarters(uint16_t* __restrict out, const uint16_t* __restrict colours,
                                              const uint16_t* __restrict opacity, int count, int16_t f) {
    constexpr int RUN = 16;
    for (int i = 0; i < count; i += RUN) {
        uint16_t any = 0;
        for (int j = 0; j < RUN; j++) any |= opacity[i + j];
        if ((any & 0x7E0) == 0) continue;
        for (int j = i; j < i + RUN; j++) {
            const uint16_t d = out[j], src = colours[j];
            int16_t a = static_cast<int16_t>(((opacity[j] >> 3) & 0xFC) - f);
            a = a > 0 ? a : 0;
            const uint16_t ua = static_cast<uint16_t>(a), ia = static_cast<uint16_t>(256 - a);
            const uint16_t r = weightedField(d >> 11, src >> 11, ia, ua);
            const uint16_t g = weightedField((d >> 5) & 0x3F, (src >> 5) & 0x3F, ia, ua);
            const uint16_t b = weightedField(d & 0x1F, src & 0x1F, ia, ua);
            out[j] = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        }
    }
}

// The texels of count loop pixels whose texture coordinates start at
// (uStart, vStart) in 16.16 and move by (c, -s) per pixel: the texel index,
// or 0 where the pixel falls outside the picture, and 0xFFFF inside, 0
// outside. Coordinates stay within 24 bits, so the products cannot overflow.
AMBRELLE_VECTOR_CLONES void featherTexels(int32_t uStart, int32_t vStart, int32_t c, int32_t s, int count,
                                          uint32_t* __restrict texel, uint16_t* __restrict inside) {
    for (int n = 0; n < count; n++) {
        // Negative coordinates wrap to huge unsigned values: one test
        // rejects both sides.
        const uint32_t u = static_cast<uint32_t>(((uStart + n * c) >> 16) + TEXTURE_CENTRE);
        const uint32_t v = static_cast<uint32_t>(((vStart - n * s) >> 16) + TEXTURE_CENTRE);
        const bool in = (u | v) < static_cast<uint32_t>(FEATHER_SIZE);
        texel[n] = in ? v * FEATHER_SIZE + u : 0;
        inside[n] = in ? 0xFFFF : 0;
    }
}

// One field of blendSixtyFourths, (d x (64 - a) + s x a) >> 6, in 16-bit
// arithmetic: fields of at most 63 give at most 4032.
inline uint16_t sixtyFourthsField(uint16_t d, uint16_t s, uint16_t ia, uint16_t a) {
    const uint16_t sum = static_cast<uint16_t>(static_cast<uint16_t>(d * ia) + static_cast<uint16_t>(s * a));
    return static_cast<uint16_t>(sum >> 6);
}

// One loop row's blend: opacity 0 keeps the pixel (a zero weight gives d
// exactly), 63 copies the texel, anything between blends by sixty-fourths.
// Without branches, so the row runs in vector lanes whatever its opacities.
AMBRELLE_VECTOR_CLONES void blendFeatherRow(uint16_t* __restrict out, const uint16_t* __restrict colours,
                                            const uint16_t* __restrict opacity, int count) {
    for (int i = 0; i < count; i++) {
        const uint16_t d = out[i], src = colours[i];
        const uint16_t a = static_cast<uint16_t>((opacity[i] >> 5) & 63), ia = static_cast<uint16_t>(64 - a);
        const uint16_t r = sixtyFourthsField(d >> 11, src >> 11, ia, a);
        const uint16_t g = sixtyFourthsField((d >> 5) & 63, (src >> 5) & 63, ia, a);
        const uint16_t b = sixtyFourthsField(d & 31, src & 31, ia, a);
        const uint16_t blended = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        out[i] = a == 63 ? src : blended;
    }
}

}  // namespace

// Texel coordinates move by (c, -s) per column, so each row is walked with
// two running sums instead of four products per pixel; the columns are first
// cut to those whose index passes 0 < index <= 76799 and that can reach an
// opaque part of the picture.
void FeatherScene::drawFeather(uint16_t* back) const {
    int32_t c, s;
    rotation(&c, &s);
    const uint16_t* texels = featherImage->pixels;
    const uint16_t* alpha = featherAlpha->pixels;
    bool blocks[BLOCKS][BLOCKS];
    opaqueBlocks(alpha, blocks);
    ColumnRanges ranges;
    featherColumns(blocks, c, s, &ranges);
    uint16_t rowColours[FEATHER_SIZE], rowOpacity[FEATHER_SIZE], rowInside[FEATHER_SIZE];
    uint32_t rowTexels[FEATHER_SIZE];
    for (int y = FEATHER_FIRST_ROW; y < FEATHER_FIRST_ROW + FEATHER_SIZE; y++) {
        const int64_t rowStart =
            (int64_t{y} + offsetY + FEATHER_ROW_SHIFT) * SCREEN_WIDTH + offsetX + FEATHER_COLUMN_SHIFT;
        int64_t first = std::max<int64_t>({1 - rowStart, 0, ranges.first[y - FEATHER_FIRST_ROW]});
        int64_t last =
            std::min<int64_t>({SCREEN_PIXELS - 1 - rowStart, FEATHER_SIZE - 1, ranges.last[y - FEATHER_FIRST_ROW]});
        if (first > last) continue;
        const int32_t dy = y - FEATHER_CENTRE_Y;
        const int32_t dx0 = static_cast<int32_t>(first) - FEATHER_CENTRE_X;
        // The row's texels and opacities first (a texel outside the picture
        // reads texel 0 with opacity 0), then one blend over the whole row.
        const int count = static_cast<int>(last - first + 1);
        featherTexels(dx0 * c + dy * s, dy * c - dx0 * s, c, s, count, rowTexels, rowInside);
        for (int n = 0; n < count; n++) {
            rowColours[n] = texels[rowTexels[n]];
            rowOpacity[n] = static_cast<uint16_t>(alpha[rowTexels[n]] & rowInside[n]);
        }
        blendFeatherRow(back + (rowStart + first), rowColours, rowOpacity, count);
    }
}

// A = max(0, g x 1024 - fade) with fade = 256 f is 256 x max(0, 4g - f), so
// blend565 is (d x (256 - a) + s x a) >> 8 per field with a = max(0, 4g - f)
// in 0..252: at most 63 x 256, which fits 16-bit lanes. Weight 0 gives d
// exactly, as blend565 does.
void FeatherScene::drawLogo(uint16_t* back) const {
    blendLogoQuarters(back + LOGO_FIRST_INDEX, logoImage->pixels + LOGO_FIRST_INDEX,
                      logoOpacity->pixels + LOGO_FIRST_INDEX, LOGO_LAST_INDEX - LOGO_FIRST_INDEX + 1,
                      static_cast<int16_t>(logoFade >> 8));
}
