// Picture loading, conversion to RGB565 and the full-screen copy.
#include "gfx/image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "display/screen.h"
#include "gfx/pixel.h"
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
