// Videos made by ambrelle-capture, checked with Debian's ffmpeg and ffprobe:
// the lossless video gives back the exact frames, and an H.264 video has the
// show's frame rate, its length and a sound track.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "capture/frame_outputs.h"
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

// The size of a file, or of the files in a folder.
uint64_t bytesIn(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return 0;
    if (!S_ISDIR(st.st_mode)) return static_cast<uint64_t>(st.st_size);
    uint64_t total = 0;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') total += bytesIn(path + "/" + e->d_name);
        closedir(d);
    }
    return total;
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
    // One closing line per output: 11 frames, 363 ms.
    EXPECT_EQ(r.err, "ambrelle-capture: wrote raw RGB565 frames (320x240) to " + dir +
                         "/raw/: 11 frames, 0.363 s, 1.7 MB\n"
                         "ambrelle-capture: wrote PNG frames (320x240) to " +
                         dir + "/png/: 11 frames, 0.363 s, " + byteCount(bytesIn(dir + "/png")) +
                         "\n"
                         "ambrelle-capture: wrote " +
                         video + " (FFV1 + FLAC in Matroska, 640x480): 11 frames, 0.363 s, " +
                         byteCount(bytesIn(video)) + "\n");

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
    EXPECT_EQ(r.err, "ambrelle-capture: wrote " + video + " (H.264 + AAC in MP4, 640x480): 303 frames, 9.999 s, " +
                         byteCount(bytesIn(video)) + "\n");

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

// Each container the extension names, with what ffprobe finds inside.
TEST_F(VideoTest, TheExtensionChoosesTheContainer) {
    const struct {
        const char* name;
        const char* format;  // ffprobe's demuxer, then the QuickTime brand if any
        const char* video;
        const char* audio;
    } cases[] = {{"a.mov", "mov,mp4,m4a,3gp,3g2,mj2\nqt  \n", "h264", "aac"},
                 {"b.mkv", "matroska,webm\n", "h264", "aac"},
                 {"c.webm", "matroska,webm\n", "vp9", "opus"}};
    for (const auto& c : cases) {
        const std::string video = dir + "/" + c.name;
        const ProgramResult r = runProgram({CAPTURE, "-C", BUILD_DIR, "--frames", "1-10", "--video", video});
        ASSERT_EQ(r.status, 0) << r.err;
        const ProgramResult format =
            runProgram({ffprobe, "-v", "error", "-show_entries", "format=format_name:format_tags=major_brand", "-of",
                        "default=noprint_wrappers=1:nokey=1", video});
        EXPECT_EQ(format.out, c.format) << c.name;
        EXPECT_EQ(probe(video, "v:0")["codec_name"], c.video) << c.name;
        EXPECT_EQ(probe(video, "v:0")["r_frame_rate"], "1000/33") << c.name;
        EXPECT_EQ(probe(video, "a:0")["codec_name"], c.audio) << c.name;
    }
    // WebM's own marker: a Matroska file whose document type is "webm".
    const std::string webm = readAll(dir + "/c.webm");
    EXPECT_NE(webm.substr(0, 64).find("webm"), std::string::npos);
    EXPECT_EQ(readAll(dir + "/b.mkv").substr(0, 64).find("webm"), std::string::npos);
}
