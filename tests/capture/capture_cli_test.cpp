// ambrelle-capture as a user runs it: exit statuses, the messages for bad
// options, missing data and a missing ffmpeg, the hash lines and --bench.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/run_program.h"

namespace {
const std::string CAPTURE = AMBRELLE_CAPTURE;
const std::string BUILD_DIR = AMBRELLE_BUILD_DIR;

ProgramResult capture(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), CAPTURE);
    return runProgram(args, env);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string tempDir() {
    char pattern[] = "/tmp/ambrelle-capture-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

// A copy of the build's data folder (as links) without one file.
std::string dataWithout(const std::string& missing) {
    const std::string dir = tempDir();
    mkdir((dir + "/data").c_str(), 0755);
    DIR* d = opendir((BUILD_DIR + "/data").c_str());
    if (!d) return dir;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || name == missing) continue;
        if (symlink((BUILD_DIR + "/data/" + name).c_str(), (dir + "/data/" + name).c_str()) != 0) break;
    }
    closedir(d);
    return dir;
}
}  // namespace

TEST(CaptureCommandLine, HelpDocumentsTheOptions) {
    const ProgramResult r = capture({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.compare(0, 24, "usage: ambrelle-capture "), 0) << r.out;
    EXPECT_NE(r.out.find("--lossless"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(CaptureCommandLine, BadOptionsGiveOneLineAndStatus2) {
    const struct {
        std::vector<std::string> args;
        const char* names;
    } cases[] = {
        {{"--frames", "0", "--hash"}, "--frames"},
        {{"--bogus"}, "--bogus"},
        {{"--png", "p", "--size", "3x3"}, "--size"},
        {{"--hash", "--from", "9", "--to", "8"}, "--from"},
        {{}, "nothing to do"},
        {{"--hash", "-C", "/nonexistent-ambrelle-dir"}, "/nonexistent-ambrelle-dir"},
    };
    for (const auto& c : cases) {
        const ProgramResult r = capture(c.args);
        EXPECT_EQ(r.status, 2) << c.names;
        EXPECT_EQ(r.out, "");
        ASSERT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.err.compare(0, 18, "ambrelle-capture: "), 0) << r.err;
        EXPECT_NE(r.err.find(c.names), std::string::npos) << r.err;
    }
}

TEST(CaptureCommandLine, HashLinesForTheFirstFrames) {
    const ProgramResult r = capture({"-C", BUILD_DIR, "--hash", "--frames", "1-3"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar: standard error is not a terminal
    const std::vector<std::string> got = lines(r.out);
    ASSERT_EQ(got.size(), 3u) << r.out;
    for (int k = 1; k <= 3; k++) {
        // "K elapsedMs maskHex hashHex": decimal, decimal, 8 and 16 lower-case hex digits.
        const std::string& line = got[k - 1];
        const std::string prefix = std::to_string(k) + " " + std::to_string(33 * k) + " ";
        ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
        const std::string mask = line.substr(prefix.size(), 8), hash = line.substr(prefix.size() + 9);
        EXPECT_EQ(mask, "00100001");  // white clear and the transition
        EXPECT_EQ(line[prefix.size() + 8], ' ');
        EXPECT_EQ(hash.size(), 16u) << line;
        EXPECT_EQ(hash.find_first_not_of("0123456789abcdef"), std::string::npos) << line;
    }
}

TEST(CaptureCommandLine, SelectedFramesAreTheSameWhicheverWayTheyAreChosen) {
    // Frames before a selected one are still drawn, so a frame's hash doesn't
    // depend on what else is selected; 234300 ms is frame 7100.
    const ProgramResult a = capture({"-C", BUILD_DIR, "--hash", "--frames", "7099-7100"});
    const ProgramResult b = capture({"-C", BUILD_DIR, "--hash", "--from", "234300", "--to", "234300"});
    const ProgramResult c = capture({"-C", BUILD_DIR, "--hash", "--frames", "7100,1"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(c.status, 0) << c.err;
    const std::vector<std::string> la = lines(a.out), lb = lines(b.out), lc = lines(c.out);
    ASSERT_EQ(la.size(), 2u);
    ASSERT_EQ(lb.size(), 1u);
    ASSERT_EQ(lc.size(), 2u);
    EXPECT_EQ(lb[0].compare(0, 12, "7100 234300 "), 0) << lb[0];
    EXPECT_EQ(la[1], lb[0]);
    EXPECT_EQ(lc[1], lb[0]);
}

// Standard output is the hash stream: the show's own loading messages, which
// it prints on standard output, reach standard error here instead.
TEST(CaptureCommandLine, MissingOrBrokenDataGivesTheShowsMessageOnStandardError) {
    const std::string empty = tempDir();
    ProgramResult r = capture({"-C", empty, "--hash", "--frames", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "error loading data/font.png\n");
    rmdir(empty.c_str());

    const std::string noSky = dataWithout("skybax.png");
    r = capture({"-C", noSky, "--hash", "--frames", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "error loading data/skybax.png\n");

    // A picture that is there but is no PNG, and one too small for its scene.
    const std::string broken = dataWithout("bg2.png");
    FILE* f = fopen((broken + "/data/bg2.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("not a picture", f);
    fclose(f);
    r = capture({"-C", broken, "--hash", "--frames", "1-3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "error loading data/bg2.png\n");

    const std::string small = dataWithout("trans3.png");
    ASSERT_EQ(symlink((BUILD_DIR + "/data/spark.png").c_str(), (small + "/data/trans3.png").c_str()), 0);
    r = capture({"-C", small, "--hash", "--frames", "1-3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "error loading data/trans3.png: expected 320 x 240 pixels, found 32 x 32\n");
    for (const std::string& dir : {noSky, broken, small}) runProgram({"/bin/rm", "-rf", dir});
}

TEST(CaptureCommandLine, VideoWithoutMusicSaysOgg) {
    if (findOnPath("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string noMusic = dataWithout("warmer.ogg");
    const ProgramResult r = capture({"-C", noMusic, "--video", "out.mp4", "--frames", "1-3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "!ogg\n");
    EXPECT_NE(access((noMusic + "/out.mp4").c_str(), F_OK), 0);  // no video started
    runProgram({"/bin/rm", "-rf", noMusic});
}

TEST(CaptureCommandLine, MissingFfmpegSaysHowToInstallIt) {
    const ProgramResult r =
        capture({"-C", BUILD_DIR, "--video", "out.mp4", "--frames", "1-3"}, {"PATH=/nonexistent-ambrelle-dir"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(lines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find("ffmpeg"), std::string::npos);
    EXPECT_NE(r.err.find("apt-get install ffmpeg"), std::string::npos);
}

TEST(CaptureCommandLine, UnwritableOutputFailsWithStatus1) {
    const ProgramResult r = capture({"-C", BUILD_DIR, "--raw", "/proc/ambrelle-frames", "--frames", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create directory /proc/ambrelle-frames"), std::string::npos) << r.err;
}

TEST(CaptureCommandLine, BenchRendersTheWholeShowAndPrintsItsLine) {
    const ProgramResult r = capture({"-C", BUILD_DIR, "--bench"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> got = lines(r.out);
    ASSERT_FALSE(got.empty());
    // "rendered N frames in S s: F fps, R x realtime", S with 3 decimals, F 1, R 2.
    double seconds = 0, fps = 0, realtime = 0;
    char s[32], f[32], x[32], tail[8];
    ASSERT_EQ(sscanf(got.back().c_str(), "rendered 7576 frames in %31[0-9.] s: %31[0-9.] fps, %31[0-9.] x realtime%7s",
                     s, f, x, tail),
              3)
        << got.back();
    auto decimals = [](const char* number) {
        const char* dot = strchr(number, '.');
        return dot ? static_cast<int>(strlen(dot + 1)) : -1;
    };
    EXPECT_EQ(decimals(s), 3) << s;
    EXPECT_EQ(decimals(f), 1) << f;
    EXPECT_EQ(decimals(x), 2) << x;
    seconds = atof(s);
    fps = atof(f);
    realtime = atof(x);
    if (seconds >= 0.1) {  // the rounding of very short runs says little
        EXPECT_NEAR(fps, 7576 / seconds, 0.01 * fps);
        EXPECT_NEAR(realtime, 250.008 / seconds, 0.01 * realtime);
    }
}

TEST(CaptureCommandLine, ProgressBarOnlyOnATerminal) {
    const std::string script = findOnPath("script");
    if (script.empty()) GTEST_SKIP() << "script (util-linux) is not installed";
    const std::string dir = tempDir();
    // script gives the program a terminal; everything it shows comes back.
    const std::string command = CAPTURE + " -C " + BUILD_DIR + " --raw " + dir + " --frames 1-40";
    const ProgramResult r = runProgram({script, "-qec", command, "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("frame    40/40 [##############################] 100%  0:00 left"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\r\033[K"), std::string::npos);  // the line is erased at the end
    runProgram({"/bin/rm", "-rf", dir});
}
