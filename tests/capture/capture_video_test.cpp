// Videos made by ambrelle-capture, checked with Debian's ffmpeg and ffprobe:
// the lossless video gives back the exact frames, and an H.264 video has the
// show's frame rate, its length and a sound track.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "capture/run_program.h"
#include "gfx/image.h"

namespace {
const std::string CAPTURE = AMBRELLE_CAPTURE;
const std::string BUILD_DIR = AMBRELLE_BUILD_DIR;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string tempDir() {
    char pattern[] = "/tmp/ambrelle-video-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

struct VideoTest : ::testing::Test {
    std::string ffmpeg, ffprobe, dir;
    void SetUp() override {
        ffmpeg = findOnPath("ffmpeg");
        ffprobe = findOnPath("ffprobe");
        if (ffmpeg.empty() || ffprobe.empty()) GTEST_SKIP() << "ffmpeg is not installed (apt-get install ffmpeg)";
        dir = tempDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        if (!dir.empty()) runProgram({"/bin/rm", "-rf", dir});
    }
    // "key=value" pairs of one ffprobe section, e.g. stream 0.
    std::map<std::string, std::string> probe(const std::string& file, const std::string& select) {
        const ProgramResult r = runProgram({ffprobe, "-v", "error", "-select_streams", select, "-show_entries",
                                            "stream=codec_name,codec_type,width,height,pix_fmt,r_frame_rate,"
                                            "duration,nb_frames,sample_rate,channels",
                                            "-of", "default=noprint_wrappers=1", file});
        EXPECT_EQ(r.status, 0) << r.err;
        std::map<std::string, std::string> values;
        size_t start = 0;
        while (start < r.out.size()) {
            size_t end = r.out.find('\n', start);
            if (end == std::string::npos) end = r.out.size();
            const std::string line = r.out.substr(start, end - start);
            const size_t eq = line.find('=');
            if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
            start = end + 1;
        }
        return values;
    }
};
}  // namespace

TEST_F(VideoTest, LosslessVideoGivesBackTheExactFrames) {
    // The sky picture as the white of a transition clears from it: every
    // frame differs.
    const uint32_t first = 7075, last = 7085;
    const std::string video = dir + "/show.mkv";
    const ProgramResult r =
        runProgram({CAPTURE, "-C", BUILD_DIR, "--frames", std::to_string(first) + "-" + std::to_string(last), "--raw",
                    dir + "/raw", "--png", dir + "/png", "--video", video, "--lossless"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    std::map<std::string, std::string> v = probe(video, "v:0");
    EXPECT_EQ(v["codec_name"], "ffv1");
    EXPECT_EQ(v["width"], "640");
    EXPECT_EQ(v["height"], "480");
    EXPECT_EQ(v["r_frame_rate"], "1000/33");
    EXPECT_EQ(probe(video, "a:0")["codec_name"], "flac");

    const std::string decoded = dir + "/decoded.rgb";
    const ProgramResult d = runProgram(
        {ffmpeg, "-v", "error", "-i", video, "-map", "0:v:0", "-f", "rawvideo", "-pix_fmt", "rgb24", decoded});
    ASSERT_EQ(d.status, 0) << d.err;
    const std::string rgb = readAll(decoded);
    const size_t frameBytes = 640 * 480 * 3;
    ASSERT_EQ(rgb.size(), frameBytes * (last - first + 1));

    int differing = 0;
    std::string previousRaw;
    for (uint32_t k = first; k <= last; k++) {
        char name[32];
        snprintf(name, sizeof name, "/frame_%06u", k);
        const std::string raw = readAll(dir + "/raw" + name + ".rgb565");
        ASSERT_EQ(raw.size(), 153600u) << k;
        differing += raw != previousRaw;
        previousRaw = raw;
        const unsigned char* f = reinterpret_cast<const unsigned char*>(rgb.data()) + frameBytes * (k - first);
        int wrong = 0;
        // The video is the 2x window: each back-buffer pixel is a 2 x 2 block,
        // each decoded pixel is (r << 3, g << 2, b << 3).
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) {
                const int i = (y / 2) * 320 + x / 2;
                const uint16_t expected = static_cast<uint16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                                                static_cast<unsigned char>(raw[2 * i + 1]) << 8);
                const unsigned char* p = f + (y * 640 + x) * 3;
                const uint16_t back = static_cast<uint16_t>((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | (p[2] >> 3));
                if (back != expected || (p[0] & 7) || (p[1] & 3) || (p[2] & 7)) wrong++;
            }
        EXPECT_EQ(wrong, 0) << "frame " << k;
        // The PNG of the same frame loads back to the same pixels.
        Image png((dir + "/png" + name + ".png").c_str());
        ASSERT_EQ(png.pixelCount, 76800);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(png.pixels), 153600), raw) << "frame " << k;
    }
    EXPECT_EQ(differing, static_cast<int>(last - first + 1));  // the frames really change across the span
}

TEST_F(VideoTest, H264VideoHasTheShowsRateLengthAndSound) {
    const std::string video = dir + "/ten.mp4";
    const ProgramResult r = runProgram({CAPTURE, "-C", BUILD_DIR, "--from", "0", "--to", "10000", "--video", video});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    std::map<std::string, std::string> v = probe(video, "v:0");
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["width"], "640");
    EXPECT_EQ(v["height"], "480");
    EXPECT_EQ(v["pix_fmt"], "yuv420p");
    EXPECT_EQ(v["r_frame_rate"], "1000/33");
    EXPECT_EQ(v["nb_frames"], "303");  // frames 1 .. 303: 33 .. 9999 ms
    EXPECT_NEAR(std::stod(v["duration"]), 9.999, 0.01);

    std::map<std::string, std::string> a = probe(video, "a:0");
    EXPECT_EQ(a["codec_type"], "audio");
    EXPECT_EQ(a["codec_name"], "aac");
    EXPECT_EQ(a["sample_rate"], "44100");
    EXPECT_EQ(a["channels"], "2");
    EXPECT_NEAR(std::stod(a["duration"]), 9.999, 0.05);

    // The sound track carries the music, not silence.
    const ProgramResult level = runProgram(
        {ffmpeg, "-hide_banner", "-nostats", "-i", video, "-map", "0:a", "-af", "volumedetect", "-f", "null", "-"});
    ASSERT_EQ(level.status, 0) << level.err;
    const size_t at = level.err.find("max_volume: ");
    ASSERT_NE(at, std::string::npos) << level.err;
    EXPECT_GT(std::stod(level.err.substr(at + 12)), -40.0) << level.err.substr(at, 40);
}
