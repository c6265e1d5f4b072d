// The offline renderer's writers: PNG frames that load back to the exact
// pixels, raw frames and hash lines, the ffmpeg command, directories and the
// progress line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/frame_outputs.h"
#include "capture/png_writer.h"
#include "capture/progress_bar.h"
#include "capture/video_pipe.h"
#include "display/present_scaler.h"
#include "gfx/frame_hash.h"
#include "gfx/image.h"
#include "support/test_png.h"

namespace {
std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every RGB565 value once (76800 pixels hold all 65536), then noise.
std::vector<uint16_t> everyValueFrame() {
    std::vector<uint16_t> frame(SCREEN_PIXELS);
    uint32_t seed = 12345;
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        seed = seed * 1664525u + 1013904223u;
        frame[i] = i < 65536 ? static_cast<uint16_t>(i) : static_cast<uint16_t>(seed >> 16);
    }
    return frame;
}
}  // namespace

TEST(CapturePng, LoadsBackToTheExactPixelsAndWhiteIsWhite) {
    unsigned char white[3];
    expand565(0xFFFF, white);
    EXPECT_EQ(white[0], 255);
    EXPECT_EQ(white[1], 255);
    EXPECT_EQ(white[2], 255);
    unsigned char mid[3];
    expand565(0x8410, mid);  // 16, 32, 16: the top bits repeat into the low ones
    EXPECT_EQ(mid[0], 0x84);
    EXPECT_EQ(mid[1], 0x82);
    EXPECT_EQ(mid[2], 0x84);

    const std::string dir = makeTempDir();
    const std::vector<uint16_t> frame = everyValueFrame();
    PngWriter writer(SCREEN_WIDTH, SCREEN_HEIGHT);
    const std::string path = dir + "/frame.png";
    ASSERT_TRUE(writer.write(path.c_str(), frame.data()));
    Image loaded(path.c_str());
    ASSERT_EQ(loaded.width, 320);
    ASSERT_EQ(loaded.height, 240);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), loaded.pixels));
    remove(path.c_str());
    rmdir(dir.c_str());
}

TEST(CapturePng, EncoderMemoryStopsGrowingOnceFramesFit) {
    const std::string dir = makeTempDir();
    const std::string path = dir + "/noise.png";
    // Noise compresses worst: the first frame outgrows the initial arena.
    const std::vector<uint16_t> frame = everyValueFrame();
    PngWriter writer(SCREEN_WIDTH, SCREEN_HEIGHT);
    ASSERT_TRUE(writer.write(path.c_str(), frame.data()));
    ASSERT_TRUE(writer.write(path.c_str(), frame.data()));
    const size_t settled = PngWriter::arenaCapacity();
    EXPECT_GT(settled, 0u);
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(writer.write(path.c_str(), frame.data()));
        EXPECT_EQ(PngWriter::arenaCapacity(), settled);
    }
    Image loaded(path.c_str());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), loaded.pixels));
    remove(path.c_str());
    rmdir(dir.c_str());
}

TEST(CapturePng, UnwritablePathFails) {
    const std::vector<uint16_t> frame(SCREEN_PIXELS, 0x1234);
    PngWriter writer(SCREEN_WIDTH, SCREEN_HEIGHT);
    EXPECT_FALSE(writer.write("/nonexistent-dir/frame.png", frame.data()));
}

TEST(CaptureOutputs, RawFramesPngsAtASizeAndHashLines) {
    const std::string dir = makeTempDir();
    CaptureOptions options;
    std::vector<const char*> args = {"ambrelle-capture", "--hash",  "--raw", nullptr, "--png", nullptr,
                                     "--size",           "1000x500"};
    const std::string rawDir = dir + "/raw/deeper", pngDir = dir + "/png";
    args[3] = rawDir.c_str();
    args[5] = pngDir.c_str();
    std::string error;
    ASSERT_EQ(parseCaptureOptions(static_cast<int>(args.size()), args.data(), &options, &error), ParseOutcome::Run)
        << error;
    FrameOutputs outputs(options);
    ASSERT_TRUE(outputs.prepare(&error)) << error;

    const std::vector<uint16_t> frame = everyValueFrame();
    testing::internal::CaptureStdout();
    const bool written = outputs.write(42, 1386, 0x101, frame.data(), &error);
    const bool finished = outputs.finish(&error);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(written) << error;
    ASSERT_TRUE(finished) << error;

    char expected[64];
    snprintf(expected, sizeof expected, "42 1386 00000101 %016llx\n",
             static_cast<unsigned long long>(frameHash(frame.data())));
    EXPECT_EQ(printed, expected);

    // Raw: 153600 bytes, each pixel low byte first.
    const std::vector<unsigned char> raw = readFile(rawDir + "/frame_000042.rgb565");
    ASSERT_EQ(raw.size(), 153600u);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(raw[2 * i] | raw[2 * i + 1] << 8, frame[i]) << "pixel " << i;

    // PNG at 1000 x 500: exactly the show's scaling into such a window.
    Image png((pngDir + "/frame_000042.png").c_str());
    ASSERT_EQ(png.width, 1000);
    ASSERT_EQ(png.height, 500);
    std::vector<uint16_t> scaled(1000 * 500, 0xBEEF);
    presentScale(frame.data(), 1000, 500, scaled.data(), 1000);
    EXPECT_TRUE(std::equal(scaled.begin(), scaled.end(), png.pixels));
    EXPECT_EQ(png.pixels[0], 0);             // left border
    EXPECT_EQ(png.pixels[999], 0);           // right border
    EXPECT_EQ(png.pixels[500], frame[160]);  // window column 500 shows source column 160
}

TEST(CaptureOutputs, OutputDirectoriesAreMadeOrRefused) {
    const std::string dir = makeTempDir();
    EXPECT_TRUE(makeDirectories(dir + "/a/b/c"));
    EXPECT_TRUE(makeDirectories(dir + "/a/b/c"));  // already there
    EXPECT_TRUE(makeDirectories(dir + "/a/b/c/"));
    const std::string file = dir + "/a/file";
    std::ofstream(file) << "x";
    EXPECT_FALSE(makeDirectories(file));
    EXPECT_FALSE(makeDirectories(file + "/below"));
    EXPECT_FALSE(makeDirectories(""));
}

TEST(CaptureVideo, FfmpegCutsTheMusicToTheFramesSpan) {
    VideoSettings s;
    s.path = "out.mp4";
    s.musicPath = "data/warmer.ogg";
    s.startMs = 33 * 7065;  // 233145 ms
    s.durationMs = 33 * 303;
    const std::vector<std::string> a = VideoPipe::ffmpegArguments(s);
    auto after = [&a](const std::string& option) {
        const auto it = std::find(a.begin(), a.end(), option);
        return it == a.end() || it + 1 == a.end() ? std::string() : *(it + 1);
    };
    EXPECT_EQ(a.front(), "ffmpeg");
    EXPECT_EQ(a.back(), "out.mp4");
    EXPECT_EQ(after("-framerate"), "1000/33");
    EXPECT_EQ(after("-pix_fmt"), "rgb24");
    EXPECT_EQ(after("-video_size"), "640x480");
    EXPECT_EQ(after("-ss"), "233.145");
    EXPECT_EQ(after("-t"), "9.999");
    EXPECT_EQ(after("-c:v"), "libx264");
    EXPECT_EQ(after("-f"), "rawvideo");
    EXPECT_NE(std::find(a.begin(), a.end(), "mp4"), a.end());

    s.lossless = true;
    s.width = 320;
    s.height = 240;
    s.startMs = 33;
    s.durationMs = 33;
    const std::vector<std::string> l = VideoPipe::ffmpegArguments(s);
    EXPECT_NE(std::find(l.begin(), l.end(), "ffv1"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "bgr0"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "matroska"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "0.033"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "320x240"), l.end());
}

TEST(CaptureVideo, EachContainerGetsItsCodecs) {
    VideoSettings s;
    s.musicPath = "data/warmer.ogg";
    s.durationMs = 33;
    const struct {
        VideoFormat format;
        const char* path;
        const char* video;
        const char* audio;
        const char* muxer;
    } cases[] = {{VideoFormat::Mp4, "a.mp4", "libx264", "aac", "mp4"},
                 {VideoFormat::Mov, "a.mov", "libx264", "aac", "mov"},
                 {VideoFormat::Mkv, "a.mkv", "libx264", "aac", "matroska"},
                 {VideoFormat::Webm, "a.webm", "libvpx-vp9", "libopus", "webm"}};
    for (const auto& c : cases) {
        s.format = c.format;
        s.path = c.path;
        const std::vector<std::string> a = VideoPipe::ffmpegArguments(s);
        auto last = [&a](const std::string& option) {  // the output's value: the last occurrence
            const auto it = std::find(a.rbegin(), a.rend(), option);
            return it == a.rend() || it == a.rbegin() ? std::string() : *(it - 1);
        };
        EXPECT_EQ(a.back(), c.path);
        EXPECT_EQ(last("-c:v"), c.video) << c.path;
        EXPECT_EQ(last("-c:a"), c.audio) << c.path;
        EXPECT_EQ(last("-f"), c.muxer) << c.path;
        EXPECT_EQ(last("-pix_fmt"), "yuv420p") << c.path;
        EXPECT_EQ(last("-colorspace"), "bt709") << c.path;
        // Fast start and a millisecond time base are QuickTime-family options.
        const bool quickTime = c.format == VideoFormat::Mp4 || c.format == VideoFormat::Mov;
        EXPECT_EQ(std::find(a.begin(), a.end(), "-movflags") != a.end(), quickTime) << c.path;
    }
}

TEST(CaptureSummary, ByteCountsInPowersOfAThousand) {
    EXPECT_EQ(byteCount(0), "0 bytes");
    EXPECT_EQ(byteCount(1), "1 byte");
    EXPECT_EQ(byteCount(999), "999 bytes");
    EXPECT_EQ(byteCount(1000), "1.0 kB");
    EXPECT_EQ(byteCount(153600), "153.6 kB");
    EXPECT_EQ(byteCount(999949), "999.9 kB");
    EXPECT_EQ(byteCount(999950), "1.0 MB");
    EXPECT_EQ(byteCount(1234567890), "1.2 GB");
    EXPECT_EQ(byteCount(UINT64_MAX), "18446744.1 TB");
}

TEST(CaptureProgress, LineShowsFramesBarPercentAndTimeLeft) {
    char line[160];
    ProgressBar::format(line, sizeof line, 3788, 7576, 12.0);
    EXPECT_STREQ(line, "frame  3788/7576 [###############---------------]  50%  0:12 left");
    ProgressBar::format(line, sizeof line, 0, 7576, 0.0);
    EXPECT_STREQ(line, "frame     0/7576 [------------------------------]   0%  --:-- left");
    ProgressBar::format(line, sizeof line, 100, 7576, 10.0);  // 747.6 s left
    EXPECT_STREQ(line, "frame   100/7576 [------------------------------]   1%  12:28 left");
    ProgressBar::format(line, sizeof line, 9000, 7576, 10.0);  // clamped
    EXPECT_STREQ(line, "frame  7576/7576 [##############################] 100%  0:00 left");
    // A short buffer is cut, never overrun.
    char small[8];
    ProgressBar::format(small, sizeof small, 1, 2, 1.0);
    EXPECT_STREQ(small, "frame  ");
}
