// Fuzz target: any bytes as a picture file, decoded as the show decodes PNGs,
// truncated to RGB565, held to each size the show's readers ask for, and read
// the way those readers read: whole-screen copies, fixed-stride pixels, and
// both fonts' glyph drawing with the picture as their sheet. Nothing may be
// read outside the decoded pixels.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"

namespace {

// A one-pixel PNG for the fonts' constructors; each input's picture then
// stands in for their sheet.
const unsigned char TINY_PNG[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                                  0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
                                  0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08,
                                  0xD7, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D,
                                  0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

struct Fixture {
    BitmapFont* loadingFont = nullptr;
    BitmapFont* greetFont = nullptr;
    uint16_t mask[SCREEN_PIXELS];
    Fixture() {
        buildTrigTables();
        Screen::instance();
        char path[] = "/tmp/ambrelle-fuzz-png-XXXXXX";
        const int fd = mkstemp(path);
        FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (!f || fwrite(TINY_PNG, 1, sizeof TINY_PNG, f) != sizeof TINY_PNG || fclose(f) != 0) abort();
        loadingFont = new BitmapFont(path, 8, 9, -1, 32, 102);
        greetFont = new BitmapFont(path, 16, 16, 0, 32, 90);
        remove(path);
        for (int i = 0; i < SCREEN_PIXELS; i++) mask[i] = static_cast<uint16_t>(i % 7 != 0);
    }
};

// The size each reader asks for (width, height), as in the scenes.
const int READER_SIZES[][2] = {{320, 240}, {128, 128}, {32, 32}, {256, 256}, {128, 256},
                               {128, 240}, {256, 80},  {32, 84}, {192, 2},   {256, 176}};

volatile uint32_t sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    Image* picture = decodePicture(data, size);
    if (!picture) return 0;
    if (picture->pixelCount != picture->width * picture->height) abort();
    uint32_t sum = 0;
    for (int i = 0; i < picture->pixelCount; i++) sum += picture->pixels[i];
    // A picture that passes a reader's size check is read at that stride up
    // to its last pixel.
    for (const auto& s : READER_SIZES)
        if (imageHasSize(*picture, s[0], s[1])) sum += picture->pixels[(s[1] - 1) * s[0] + s[0] - 1];
    if (picture->pixelCount >= 190) sum += picture->pixels[189];  // the waterfall palette
    if (imageHasSize(*picture, SCREEN_WIDTH, SCREEN_HEIGHT)) picture->copyToScreen();

    // Both fonts draw from any sheet: cells outside it are skipped.
    Image* loadingSheet = fixture.loadingFont->sheet;
    Image* greetSheet = fixture.greetFont->sheet;
    fixture.loadingFont->sheet = picture;
    fixture.greetFont->sheet = picture;
    fixture.loadingFont->drawText(5 + static_cast<int>(sum % 7), 90, "abbbcdef 0123 ABC\nxyz ~");
    const GlyphMask mask{fixture.mask, SCREEN_PIXELS, SCREEN_WIDTH, 0};
    for (char ch : std::string("AZQ V!"))
        fixture.greetFont->drawRotatedGlyph(150, 100, ch, static_cast<int>(sum), mask);
    fixture.loadingFont->sheet = loadingSheet;
    fixture.greetFont->sheet = greetSheet;
    delete picture;
    sink = sum;  // keeps the reads from being optimised away
    return 0;
}
