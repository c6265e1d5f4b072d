// Every program as a user runs it: --help, --version, unknown options, missing
// folders, the show's options and its hints, the capture tool's refusals and
// its closing line. Exact messages, streams and exit statuses.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/frame_outputs.h"
#include "capture/run_program.h"
#include "stb_image.h"

namespace {
const std::string BUILD_DIR = AMBRELLE_BUILD_DIR;
const std::string SHOW = BUILD_DIR + "/ambrelle";
const std::string SHOW_W = BUILD_DIR + "/ambrellew";
const std::string CAPTURE = AMBRELLE_CAPTURE;
const std::string DATAGEN = AMBRELLE_DATAGEN;
const std::string DATACHECK = AMBRELLE_DATACHECK;
const std::string VERSION = AMBRELLE_VERSION;
// The show without a display; each test adds its own sound driver.
const std::string NO_DISPLAY = "SDL_VIDEODRIVER=dummy";

std::string tempDir() {
    char pattern[] = "/tmp/ambrelle-cli-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

void removeAll(const std::string& dir) {
    if (!dir.empty()) runProgram({"/bin/rm", "-rf", dir});
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// A data folder named name inside a new temporary folder: links to the
// build's files, without the one named missing.
std::string dataCopy(const std::string& root, const std::string& name, const std::string& missing) {
    const std::string dir = root + "/" + name;
    mkdir(dir.c_str(), 0755);
    for (const std::string& f : entries(BUILD_DIR + "/data")) {
        if (f == missing) continue;
        EXPECT_EQ(symlink((BUILD_DIR + "/data/" + f).c_str(), (dir + "/" + f).c_str()), 0);
    }
    return dir;
}

// Runs a program with the working directory dir.
ProgramResult runIn(const std::string& dir, std::vector<std::string> argv, const std::vector<std::string>& env = {}) {
    std::vector<std::string> args = {"/usr/bin/env", "-C", dir};
    for (const std::string& e : env) args.push_back(e);
    args.insert(args.end(), argv.begin(), argv.end());
    return runProgram(args);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

off_t fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}
}  // namespace

TEST(EveryProgram, HelpGoesToStandardOutputWithStatus0) {
    const struct {
        std::string program;
        const char* usage;
    } cases[] = {{SHOW, "usage: ambrelle [options]\n"},
                 {SHOW_W, "usage: ambrellew [options]\n"},
                 {CAPTURE, "usage: ambrelle-capture [options]\n"},
                 {DATAGEN, "usage: ambrelle-datagen [-jN] [--icon FILE] DIR [NAME...]\n"},
                 {DATACHECK, "usage: ambrelle-datacheck [--only-present] [--require LIST] DIR\n"}};
    for (const auto& c : cases) {
        for (const char* flag : {"--help", "-h"}) {
            const ProgramResult r = runProgram({c.program, flag});
            EXPECT_EQ(r.status, 0) << c.program << " " << flag;
            EXPECT_EQ(r.out.compare(0, std::string(c.usage).size(), c.usage), 0) << r.out;
            EXPECT_NE(r.out.find("--version"), std::string::npos) << c.program;
            EXPECT_EQ(r.err, "") << c.program;
        }
    }
}

TEST(EveryProgram, VersionIsOneLineWithTheProgramsName) {
    const struct {
        std::string program;
        std::string name;
    } cases[] = {{SHOW, "ambrelle"},
                 {SHOW_W, "ambrellew"},
                 {CAPTURE, "ambrelle-capture"},
                 {DATAGEN, "ambrelle-datagen"},
                 {DATACHECK, "ambrelle-datacheck"}};
    for (const auto& c : cases) {
        const ProgramResult r = runProgram({c.program, "--version"});
        EXPECT_EQ(r.status, 0) << c.program;
        EXPECT_EQ(r.out, c.name + " " + VERSION + "\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST(EveryProgram, UnknownOptionsGiveOneLineAndStatus2) {
    const struct {
        std::string program;
        std::string name;
    } cases[] = {{SHOW, "ambrelle"},
                 {SHOW_W, "ambrellew"},
                 {CAPTURE, "ambrelle-capture"},
                 {DATAGEN, "ambrelle-datagen"},
                 {DATACHECK, "ambrelle-datacheck"}};
    for (const auto& c : cases) {
        for (const std::string option : {"--bogus", "-q"}) {
            const ProgramResult r = runProgram({c.program, option});
            EXPECT_EQ(r.status, 2) << c.program << " " << option;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, c.name + ": unknown option '" + option + "' (see --help)\n");
        }
    }
}

TEST(Datagen, AnOptionIsNeverTakenForAFolder) {
    const std::string work = tempDir();
    ProgramResult r = runIn(work, {DATAGEN, "--help"});
    EXPECT_EQ(r.status, 0);
    r = runIn(work, {DATAGEN, "--helpp"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datagen: unknown option '--helpp' (see --help)\n");
    r = runIn(work, {DATAGEN});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datagen: no output folder given (see --help)\n");
    for (const std::string bad : {"-j", "-j0", "-jx", "-j2x", "-j99999"}) {
        r = runIn(work, {DATAGEN, bad, "out"});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.err,
                  "ambrelle-datagen: -j: expected a number of jobs such as -j2, got '" + bad + "' (see --help)\n");
    }
    r = runIn(work, {DATAGEN, "-j1", "-j2", "out"});
    EXPECT_EQ(r.err, "ambrelle-datagen: -j given twice (see --help)\n");
    r = runIn(work, {DATAGEN, "out", "fonts.png"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datagen: no maker for fonts.png\n");
    EXPECT_EQ(entries(work), std::vector<std::string>());  // nothing was made by any of these

    // After "--" a folder may begin with "-".
    r = runIn(work, {DATAGEN, "-j1", "--", "-odd", "font.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.compare(0, 23, "[ 1/ 1] font.png\nambrel"), 0) << r.out;
    EXPECT_GT(fileSize(work + "/-odd/font.png"), 0);
    removeAll(work);
}

TEST(Datagen, DrawsTheDesktopIconOnItsOwn) {
    const std::string work = tempDir();
    ProgramResult r = runIn(work, {DATAGEN, "--icon", "a.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(entries(work), std::vector<std::string>{"a.png"});  // no data folder
    r = runIn(work, {DATAGEN, "--icon", "b.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(work + "/a.png"), readFile(work + "/b.png"));  // the same bytes every time

    int w = 0, h = 0, channels = 0;
    unsigned char* pixels = stbi_load((work + "/a.png").c_str(), &w, &h, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 256);
    EXPECT_EQ(channels, 4);
    auto alpha = [&](int x, int y) { return pixels[(y * w + x) * 4 + 3]; };
    // A tile with rounded corners: transparent corners, opaque inside.
    for (const int c : {0, 255}) {
        EXPECT_EQ(alpha(c, c), 0);
        EXPECT_EQ(alpha(c, 255 - c), 0);
    }
    EXPECT_EQ(alpha(128, 128), 255);
    EXPECT_EQ(alpha(128, 10), 255);
    stbi_image_free(pixels);

    r = runIn(work, {DATAGEN, "--icon"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datagen: --icon needs a file name (see --help)\n");
    r = runIn(work, {DATAGEN, "--icon", "/nonexistent-ambrelle-dir/icon.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ambrelle-datagen: cannot write /nonexistent-ambrelle-dir/icon.png\n");
    removeAll(work);
}

TEST(Datacheck, SaysWhenTheFolderIsMissing) {
    ProgramResult r = runProgram({DATACHECK, "/nonexistent-ambrelle-dir"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ambrelle-datacheck: there is no folder '/nonexistent-ambrelle-dir'\n");
    r = runProgram({DATACHECK, "/dev/null"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ambrelle-datacheck: '/dev/null' is not a folder\n");
    r = runProgram({DATACHECK});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datacheck: no data folder given (see --help)\n");
    r = runProgram({DATACHECK, "/tmp", "/tmp"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datacheck: unexpected argument '/tmp': give one folder (see --help)\n");
    r = runProgram({DATACHECK, "--require"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ambrelle-datacheck: --require needs a value (see --help)\n");
    r = runProgram({DATACHECK, "--", BUILD_DIR + "/data"});
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST(Show, BadOptionsAreRefusedBeforeAnythingOpens) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"data"}, "unexpected argument 'data'"},
        {{"--window", "--fullscreen"}, "--window and --fullscreen cannot be combined"},
        {{"--size", "640x481"}, "--size: width and height must be even numbers from 2 to 8192, got '640x481'"},
        {{"--size"}, "--size needs a value"},
        {{"--no-sound=1"}, "--no-sound takes no value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {SHOW_W};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        // A display that cannot open: had the show started, it would say so.
        const ProgramResult r = runProgram(argv, {"SDL_VIDEODRIVER=bogus"});
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "ambrellew: " + c.message + " (see --help)\n");
    }
}

TEST(Show, DataFolderMustExist) {
    ProgramResult r = runProgram({SHOW_W, "--data", "/nonexistent-ambrelle-dir"}, {"SDL_VIDEODRIVER=bogus"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ambrellew: --data: there is no folder '/nonexistent-ambrelle-dir'\n");
    r = runProgram({SHOW_W, "--data=/dev/null"}, {"SDL_VIDEODRIVER=bogus"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ambrellew: --data: '/dev/null' is not a folder\n");
}

// Without the music file start-up ends with "!ogg" after the audio device is
// open: proof that the show read the folder it was given.
TEST(Show, DataFromAnyFolderAndAnyWorkingDirectory) {
    const std::string root = tempDir(), elsewhere = tempDir(), tmp = tempDir();
    const std::string named = dataCopy(root, "data", "warmer.ogg");
    const std::string other = dataCopy(root, "show files", "warmer.ogg");
    for (const std::string& dir : {named, other, named + "/"}) {
        const ProgramResult r =
            runIn(elsewhere, {SHOW_W, "--data", dir}, {NO_DISPLAY, "SDL_AUDIODRIVER=dummy", "TMPDIR=" + tmp});
        EXPECT_EQ(r.status, 1) << dir;
        EXPECT_EQ(r.out, "") << dir;
        EXPECT_EQ(r.err, "!ogg\n") << dir;
    }
    // The link made for "show files" is gone again.
    EXPECT_EQ(entries(tmp), std::vector<std::string>());
    EXPECT_EQ(entries(elsewhere), std::vector<std::string>());
    removeAll(root);
    removeAll(elsewhere);
    removeAll(tmp);
}

TEST(Show, WithoutDataItSaysWhereItLooked) {
    const std::string empty = tempDir();
    const ProgramResult r = runIn(empty, {SHOW}, {NO_DISPLAY, "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "error loading data/font.png\n");
    EXPECT_EQ(r.err, "ambrelle: no data/ folder in " + empty +
                         "; run the show from the folder that holds data/, or give --data DIR\n");
    removeAll(empty);
}

TEST(Show, NoSoundNeedsNoSoundDevice) {
    const std::string root = tempDir();
    dataCopy(root, "data", "warmer.ogg");
    // A sound driver that cannot open its device.
    const std::vector<std::string> env = {NO_DISPLAY, "SDL_AUDIODRIVER=disk",
                                          "SDL_DISKAUDIOFILE=/nonexistent-ambrelle-dir/out.raw"};
    ProgramResult r = runIn(root, {SHOW_W}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    const std::string first = "Couldn't open audio: ";
    EXPECT_EQ(r.err.compare(0, first.size(), first), 0) << r.err;
    const std::string hint = "\nRun with --no-sound to play the show without sound.\n";
    ASSERT_GT(r.err.size(), hint.size());
    EXPECT_EQ(r.err.substr(r.err.size() - hint.size()), hint) << r.err;

    // The same machine with --no-sound gets past the device to the music.
    r = runIn(root, {SHOW_W, "--no-sound"}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "!ogg\n");
    removeAll(root);
}

TEST(Capture, RefusesToOverwriteWithoutForceAndSaysWhatItWrote) {
    const std::string out = tempDir();
    const std::string png = out + "/shots";
    mkdir(png.c_str(), 0755);
    FILE* f = fopen((png + "/frame_000002.png").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("keep me", f);
    fclose(f);
    ProgramResult r = runProgram({CAPTURE, "-C", BUILD_DIR, "--png", png, "--frames", "1-3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ambrelle-capture: " + png + "/frame_000002.png exists; give --force to overwrite it\n");
    EXPECT_EQ(fileSize(png + "/frame_000002.png"), 7);
    EXPECT_EQ(entries(png).size(), 1u);  // refused before anything was written

    r = runProgram({CAPTURE, "-C", BUILD_DIR, "--png", png, "--frames", "1-3", "--force", "--size", "64x48"});
    ASSERT_EQ(r.status, 0) << r.err;
    off_t bytes = 0;
    for (const char* name : {"frame_000001.png", "frame_000002.png", "frame_000003.png"}) {
        ASSERT_GT(fileSize(png + "/" + name), 7) << name;
        bytes += fileSize(png + "/" + name);
    }
    EXPECT_EQ(r.err, "ambrelle-capture: wrote PNG frames (64x48) to " + png + "/: 3 frames, 0.099 s, " +
                         byteCount(static_cast<uint64_t>(bytes)) + "\n");

    r = runProgram({CAPTURE, "-C", BUILD_DIR, "--raw", out + "/raw", "--frames", "7576", "--hash"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.compare(0, 12, "7576 250008 "), 0) << r.out;
    EXPECT_EQ(r.err,
              "ambrelle-capture: wrote raw RGB565 frames (320x240) to " + out + "/raw/: 1 frame, 0.033 s, 153.6 kB\n");
    removeAll(out);
}

TEST(Capture, ExistingVideoIsRefusedUnlessForced) {
    if (findOnPath("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string out = tempDir();
    const std::string video = out + "/show.webm";
    FILE* f = fopen(video.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    ProgramResult r = runProgram({CAPTURE, "-C", BUILD_DIR, "--video", video, "--frames", "1-3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ambrelle-capture: " + video + " exists; give --force to overwrite it\n");
    EXPECT_EQ(fileSize(video), 0);
    r = runProgram({CAPTURE, "-C", BUILD_DIR, "--video", video, "--frames", "1-3", "--force"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GT(fileSize(video), 0);
    EXPECT_EQ(r.err, "ambrelle-capture: wrote " + video + " (VP9 + Opus in WebM, 640x480): 3 frames, 0.099 s, " +
                         byteCount(static_cast<uint64_t>(fileSize(video))) + "\n");
    removeAll(out);
}

TEST(Capture, UnknownVideoFormatsAreRefused) {
    const ProgramResult r = runProgram({CAPTURE, "--video", "x.avi"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "ambrelle-capture: --video: cannot tell the format of 'x.avi': name the file .mp4, .mkv, .webm or .mov "
              "(see --help)\n");
    EXPECT_NE(access("x.avi", F_OK), 0);
}

TEST(Capture, WithoutDataItSaysWhereItLooked) {
    const std::string empty = tempDir();
    const ProgramResult r = runIn(empty, {CAPTURE, "--hash", "--frames", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ambrelle-capture: no data/ folder in " + empty +
                         "; run it from the folder that holds data/, or give -C DIR\n");
    removeAll(empty);
}
