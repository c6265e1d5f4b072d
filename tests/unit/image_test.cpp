// Picture loading, conversion to RGB565 and the full-screen copy.
#include "gfx/image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "display/screen.h"
#include "gfx/pixel.h"
#include "support/png_file.h"
#include "support/test_png.h"

TEST(Image, ReferenceColoursFromAnRgbPng) {
    const std::string path = makeTempDir() + "/colours.png";
    const std::vector<unsigned char> rgb = {255, 255, 255, 128, 128, 128, 8,  4,  8,  7, 3, 7,
                                            255, 0,   255, 250, 3,   252, 10, 20, 30, 0, 0, 0};
    ASSERT_TRUE(writeTestPng(path, 4, 2, 3, rgb));
    Image image(path.c_str());
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 2);
    ASSERT_EQ(image.pixelCount, 8);
    const uint16_t expected[8] = {0xFFFF, 0x8410, 0x0821, 0x0000, 0xF81F, 0xF81F, 0x08A3, 0x0000};
    for (int i = 0; i < 8; i++) EXPECT_EQ(image.pixels[i], expected[i]) << i;
}

TEST(Image, AlphaChannelIsIgnored) {
    const std::string path = makeTempDir() + "/alpha.png";
    ASSERT_TRUE(writeTestPng(path, 2, 1, 4, {10, 20, 30, 0, 255, 0, 255, 7}));
    Image image(path.c_str());
    EXPECT_EQ(image.pixels[0], 0x08A3);
    EXPECT_EQ(image.pixels[1], COLOR_KEY);
}

TEST(Image, BlankPictureIsBlack) {
    Image image(256, 256);
    EXPECT_EQ(image.pixelCount, 65536);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    for (int i = 0; i < 65536; i++) ASSERT_EQ(image.pixels[i], 0);
}

TEST(Image, CopyToScreenCopiesEveryPixel) {
    Image image(320, 240);
    for (int i = 0; i < image.pixelCount; i++) image.pixels[i] = static_cast<uint16_t>(i * 31 + 7);
    image.copyToScreen();
    const uint16_t* back = Screen::instance()->backBuffer;
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back[i], image.pixels[i]);
}

TEST(Image, CopyToScreenRefusesASmallPicture) {
    uint16_t* back = Screen::instance()->backBuffer;
    for (int i = 0; i < SCREEN_PIXELS; i++) back[i] = 0x1234;
    Image small(16, 16);
    small.copyToScreen();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back[i], 0x1234);
}

// Death-test children send standard output to standard error so the
// message, which the show prints on standard output, can be matched.
#define STDOUT_TO_STDERR() (fflush(stdout), dup2(2, 1))

TEST(ImageDeathTest, MissingOrBrokenFileEndsStartUpWithItsPath) {
    EXPECT_EXIT((STDOUT_TO_STDERR(), Image("data/no-such-picture.png")), ::testing::ExitedWithCode(1),
                "^error loading data/no-such-picture.png\n$");
    const std::string broken = makeTempDir() + "/broken.png";
    FILE* f = fopen(broken.c_str(), "wb");
    fputs("not a png at all", f);
    fclose(f);
    EXPECT_EXIT((STDOUT_TO_STDERR(), Image(broken.c_str())), ::testing::ExitedWithCode(1),
                "^error loading " + broken + "\n$");
}

TEST(ImageDeathTest, SizeCheckNamesFileAndExpectedSize) {
    Image small(100, 50);
    EXPECT_EXIT((STDOUT_TO_STDERR(), requireImageSize(small, "data/trans1.png", 320, 240)),
                ::testing::ExitedWithCode(1), "data/trans1.png.*320 x 240");
    requireImageSize(small, "data/x.png", 100, 50);  // exactly large enough: returns
}

// --- the decoder on damaged files (found by fuzzing the picture path) ---

namespace {
// A 3 x 2 RGB picture: red, green, blue / white, grey, black.
const std::vector<uint8_t> TINY_RGB = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 128, 128, 128, 0, 0, 0};
const uint16_t TINY_565[6] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x8410, 0x0000};

std::vector<uint8_t> tinyImageData() {
    std::vector<uint8_t> raw;
    for (int y = 0; y < 2; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), TINY_RGB.begin() + 9 * y, TINY_RGB.begin() + 9 * (y + 1));
    }
    return storedZlib(raw);
}

Image* decode(const std::vector<uint8_t>& png) { return decodePicture(png.data(), png.size()); }
}  // namespace

TEST(ImageDecoding, BytesDecodeAsTheFileDoes) {
    std::vector<uint8_t> png = pngSignature();
    appendPngChunk(&png, "IHDR", pngHeaderData(3, 2, PngColor::Rgb, 8));
    appendPngChunk(&png, "IDAT", tinyImageData());
    appendPngChunk(&png, "IEND", {});
    Image* image = decode(png);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixelCount, 6);
    for (int i = 0; i < 6; i++) EXPECT_EQ(image->pixels[i], TINY_565[i]) << i;
    delete image;
    EXPECT_EQ(decode({}), nullptr);
    EXPECT_EQ(decode(std::vector<uint8_t>(png.begin(), png.begin() + 40)), nullptr);
}

// A legal file whose first image-data chunk is empty: the decoder copied zero
// bytes from a null buffer (undefined; the sanitized build stopped on it).
TEST(ImageDecoding, EmptyFirstDataChunkDecodes) {
    std::vector<uint8_t> png = pngSignature();
    appendPngChunk(&png, "IHDR", pngHeaderData(3, 2, PngColor::Rgb, 8));
    appendPngChunk(&png, "IDAT", {});
    appendPngChunk(&png, "IDAT", tinyImageData());
    appendPngChunk(&png, "IEND", {});
    Image* image = decode(png);
    ASSERT_NE(image, nullptr);
    for (int i = 0; i < 6; i++) EXPECT_EQ(image->pixels[i], TINY_565[i]) << i;
    delete image;
}

// A chunk claiming nearly 2 GB behind a tiny file: the decoder reserved the
// claimed size before reading. It is refused like any undecodable file.
TEST(ImageDecoding, ChunkLengthFarBeyondTheFileIsRefused) {
    std::vector<uint8_t> png = pngSignature();
    appendPngChunk(&png, "IHDR", pngHeaderData(3, 2, PngColor::Rgb, 8));
    const std::vector<uint8_t> data = tinyImageData();
    appendPngChunk(&png, "IDAT", data);
    // Overwrite the data chunk's length field: 0x7FFFFF00 bytes.
    const size_t lengthAt = 8 + 12 + 13;
    ASSERT_EQ(png[lengthAt + 7], 'T');
    png[lengthAt] = 0x7F, png[lengthAt + 1] = 0xFF, png[lengthAt + 2] = 0xFF, png[lengthAt + 3] = 0x00;
    EXPECT_EQ(decode(png), nullptr);
}

TEST(ImageDecoding, PicturesWiderOrTallerThan4096AreRefused) {
    for (const auto& size : {std::make_pair(4097, 1), std::make_pair(1, 4097), std::make_pair(100000, 100000)}) {
        std::vector<uint8_t> png = pngSignature();
        appendPngChunk(&png, "IHDR", pngHeaderData(size.first, size.second, PngColor::Grey, 8));
        appendPngChunk(&png, "IDAT", storedZlib(std::vector<uint8_t>(16, 0)));
        appendPngChunk(&png, "IEND", {});
        EXPECT_EQ(decode(png), nullptr) << size.first << " x " << size.second;
    }
    // 4096 is still a picture.
    std::vector<uint8_t> png = pngSignature();
    appendPngChunk(&png, "IHDR", pngHeaderData(4096, 1, PngColor::Grey, 8));
    std::vector<uint8_t> raw(4097, 7);
    raw[0] = 0;
    appendPngChunk(&png, "IDAT", storedZlib(raw));
    appendPngChunk(&png, "IEND", {});
    Image* image = decode(png);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 4096);
    delete image;
}

TEST(ImageDecoding, SizeCheckWithoutExit) {
    Image image(100, 50);
    EXPECT_TRUE(imageHasSize(image, 100, 50));
    EXPECT_TRUE(imageHasSize(image, 1, 1));
    EXPECT_FALSE(imageHasSize(image, 101, 50));
    EXPECT_FALSE(imageHasSize(image, 100, 51));
}
