// Damaged copies of the generated data, as a user's own folder, a broken
// download or a half-copied directory would give them: each case copies the
// data, damages one file and runs the offline renderer and the live program
// (SDL's dummy drivers). Each either plays or stops at start-up with its one
// line on the expected stream and status 1; nothing crashes or hangs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "capture/run_program.h"
#include "datacheck/data_check.h"
#include "support/png_file.h"

namespace fs = std::filesystem;

namespace {

// The live program is stopped with SIGTERM after this long when it plays;
// loading ends long before, and SIGTERM during loading is honoured only after.
constexpr int PLAY_MS = 2000;
// Anything still running after this is hung.
constexpr int HUNG_MS = 120000;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string pristine(const std::string& name) { return std::string(AMBRELLE_DATA_DIR) + "/" + name; }

std::string randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// A fresh copy of the data set: data/ under a temporary folder, every file a
// link to the generated one, so a case replaces only the file it damages.
class DataCopy {
   public:
    DataCopy() {
        char pattern[] = "/tmp/ambrelle-baddata-XXXXXX";
        const char* dir = mkdtemp(pattern);
        root = dir ? dir : "";
        fs::create_directory(root + "/data");
        for (const FileRule& rule : dataSetRules()) fs::create_symlink(pristine(rule.name), file(rule.name));
    }
    ~DataCopy() {
        std::error_code ignored;
        if (!root.empty()) fs::remove_all(root, ignored);
    }
    DataCopy(const DataCopy&) = delete;
    DataCopy& operator=(const DataCopy&) = delete;

    std::string file(const std::string& name) const { return root + "/data/" + name; }
    // Removes the link so the file can be written in its place.
    std::string replace(const std::string& name) const {
        fs::remove(file(name));
        return file(name);
    }

    std::string root;
};

ProgramResult runRenderer(const DataCopy& data, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {AMBRELLE_CAPTURE, "-C", data.root};
    argv.insert(argv.end(), args.begin(), args.end());
    RunOptions options;
    options.killAfterMs = HUNG_MS;
    return runProgram(argv, options);
}

ProgramResult runLive(const DataCopy& data, const std::vector<std::string>& env = {}, int playMs = PLAY_MS) {
    RunOptions options;
    options.directory = data.root;
    options.env = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    options.env.insert(options.env.end(), env.begin(), env.end());
    options.signalAfterMs = playMs;
    options.signal = SIGTERM;
    options.killAfterMs = HUNG_MS;
    return runProgram({AMBRELLE_SHOW}, options);
}

std::string describe(const ProgramResult& r) {
    return "status " + std::to_string(r.status) + (r.signal ? ", signal " + std::to_string(r.signal) : "") +
           (r.timedOut ? ", HUNG" : "") + "\nstdout: " + r.out.substr(0, 2000) + "\nstderr: " + r.err.substr(0, 2000);
}

// The hash line of the one selected frame, nothing else.
bool oneHashLine(const std::string& out, int frame) {
    return std::regex_match(out, std::regex(std::to_string(frame) + " [0-9]+ [0-9a-f]{8} [0-9a-f]{16}\n"));
}

// --- what a case expects ---

struct Expectation {
    // "" when the show plays; otherwise the one line both programs print.
    std::string message;
    // The live program prints audio and music failures on standard error,
    // everything else on standard output; the renderer always uses standard
    // error. The renderer draws no sound, so music failures stop only its
    // --video.
    bool music = false;
    // The frame the renderer draws when it plays: one that shows the file.
    int frame = 1;
    // Music failures: the renderer's --video refuses the file too.
    bool video = false;
};

Expectation plays(int frame = 1) { return {"", false, frame, false}; }
Expectation refused(const std::string& message) { return {message, false, 1, false}; }
Expectation noMusic(bool video) { return {"!ogg", true, 1, video}; }

struct Case {
    std::string name;
    std::function<void(const DataCopy&)> damage;
    Expectation expect;
};

void checkRenderer(const DataCopy& data, const Expectation& e) {
    const ProgramResult r = runRenderer(data, {"--hash", "--frames", std::to_string(e.frame)});
    if (e.message.empty() || e.music) {
        EXPECT_EQ(r.status, 0) << describe(r);
        EXPECT_TRUE(oneHashLine(r.out, e.frame)) << describe(r);
        EXPECT_EQ(r.err, "") << describe(r);
    } else {
        EXPECT_EQ(r.status, 1) << describe(r);
        EXPECT_EQ(r.out, "") << describe(r);
        EXPECT_EQ(r.err, e.message + "\n") << describe(r);
    }
    EXPECT_FALSE(r.timedOut);
    if (e.video) {
        // A video needs the music: refused before ffmpeg is started.
        const ProgramResult v = runRenderer(data, {"--video", data.root + "/show.mp4", "--frames", "1"});
        EXPECT_EQ(v.status, 1) << describe(v);
        EXPECT_EQ(v.out, "") << describe(v);
        EXPECT_EQ(v.err, e.message + "\n") << describe(v);
        EXPECT_FALSE(fs::exists(data.root + "/show.mp4"));
    }
}

void checkLive(const DataCopy& data, const Expectation& e) {
    const ProgramResult r = runLive(data);
    EXPECT_FALSE(r.timedOut) << describe(r);
    if (e.message.empty()) {
        // Played until SIGTERM, then ended cleanly.
        EXPECT_EQ(r.status, 0) << describe(r);
        EXPECT_EQ(r.out, "") << describe(r);
        EXPECT_EQ(r.err, "") << describe(r);
    } else {
        EXPECT_EQ(r.status, 1) << describe(r);
        EXPECT_EQ(r.out, e.music ? "" : e.message + "\n") << describe(r);
        EXPECT_EQ(r.err, e.music ? e.message + "\n" : "") << describe(r);
    }
}

// gtest prints a case by its name rather than its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class BadData : public ::testing::TestWithParam<Case> {};

TEST_P(BadData, RendererAndLiveProgram) {
    const Case& c = GetParam();
    DataCopy data;
    c.damage(data);
    {
        SCOPED_TRACE("ambrelle-capture");
        checkRenderer(data, c.expect);
    }
    {
        SCOPED_TRACE("ambrelle");
        checkLive(data, c.expect);
    }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string n;
    for (char ch : info.param.name) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return n;
}

// --- every file missing in turn ---

std::vector<Case> missingFiles() {
    std::vector<Case> cases;
    for (const FileRule& rule : dataSetRules()) {
        const std::string name = rule.name;
        const Expectation e = rule.kind == FileKind::Ogg ? noMusic(true) : refused("error loading data/" + name);
        cases.push_back({"Missing_" + name, [name](const DataCopy& d) { fs::remove(d.file(name)); }, e});
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(MissingFile, BadData, ::testing::ValuesIn(missingFiles()), caseName);

// --- broken pictures ---

// One picture of each size the show reads, the smallest size its reader
// accepts (0 x 0: any), and a frame that shows it.
struct SizeClass {
    const char* file;
    int width, height;
    int frame;
};
const SizeClass SIZE_CLASSES[] = {
    {"font.png", 0, 0, 1},  // glyphs beyond the sheet are left out
    {"bg3.png", 320, 240, 300},
    {"feather.png", 128, 128, 300},
    {"majakka_light.png", 128, 128, 1400},
    {"spark.png", 32, 32, 1560},
    {"drops01.png", 256, 256, 2300},
    {"cloud1.png", 256, 256, 2900},
    {"waterfall1.png", 128, 256, 4400},
    {"luola_alpha.png", 128, 240, 4400},
    {"fontgreet.png", 256, 80, 4400},
    {"dragonfly.png", 32, 84, 5700},
    {"df_wing1.png", 192, 2, 5700},
    {"credits.png", 256, 176, 6400},
};

void replacePicture(const DataCopy& d, const std::string& name, int width, int height) {
    RgbPicture original;
    ASSERT_TRUE(readRgbPicture(pristine(name), &original));
    ASSERT_TRUE(writeRgbPng(d.replace(name), resizedPicture(original, width, height)));
}

Expectation sizeExpectation(const SizeClass& k, int w, int h) {
    if (w >= k.width && h >= k.height) return plays(k.frame);
    return refused("error loading data/" + std::string(k.file) + ": expected " + std::to_string(k.width) + " x " +
                   std::to_string(k.height) + " pixels, found " + std::to_string(w) + " x " + std::to_string(h));
}

std::vector<Case> brokenPictures() {
    std::vector<Case> cases;
    std::vector<std::string> files;
    for (const SizeClass& k : SIZE_CLASSES) files.push_back(k.file);
    files.push_back("waterfall_pal.png");
    files.push_back("skybax.png");
    for (const std::string& f : files) {
        const Expectation e = refused("error loading data/" + f);
        cases.push_back({"Truncated_" + f,
                         [f](const DataCopy& d) {
                             const std::string bytes = readFile(pristine(f));
                             writeFile(d.replace(f), bytes.substr(0, bytes.size() / 2));
                         },
                         e});
        cases.push_back(
            {"RandomBytes_" + f,
             [f](const DataCopy& d) { writeFile(d.replace(f), randomBytes(fs::file_size(pristine(f)), 13)); }, e});
        cases.push_back(
            {"Jpeg_" + f,
             [f](const DataCopy& d) {
                 const std::string ffmpeg = findOnPath("ffmpeg");
                 ASSERT_NE(ffmpeg, "") << "ffmpeg makes the JPEG (apt-get install ffmpeg)";
                 const std::string jpeg = d.root + "/picture.jpg";
                 const ProgramResult r = runProgram({ffmpeg, "-loglevel", "error", "-i", pristine(f), jpeg});
                 ASSERT_EQ(r.status, 0) << r.err;
                 ASSERT_EQ(readFile(jpeg).substr(0, 3), "\xFF\xD8\xFF");
                 fs::rename(jpeg, d.replace(f));
             },
             e});
        cases.push_back({"Directory_" + f, [f](const DataCopy& d) { fs::create_directory(d.replace(f)); }, e});
    }
    // The loading font, the first file read, in a few more ways.
    cases.push_back({"Empty_font.png", [](const DataCopy& d) { writeFile(d.replace("font.png"), ""); },
                     refused("error loading data/font.png")});
    cases.push_back(
        {"TruncatedInsideHeader_font.png",
         [](const DataCopy& d) { writeFile(d.replace("font.png"), readFile(pristine("font.png")).substr(0, 20)); },
         refused("error loading data/font.png")});
    // Only the end chunk's checksum is cut: every pixel is there, and it plays.
    cases.push_back({"LastByteMissing_font.png",
                     [](const DataCopy& d) {
                         const std::string bytes = readFile(pristine("font.png"));
                         writeFile(d.replace("font.png"), bytes.substr(0, bytes.size() - 1));
                     },
                     plays()});
    cases.push_back({"SymlinkLoop_bg.png",
                     [](const DataCopy& d) { fs::create_symlink(d.file("bg.png"), d.replace("bg.png")); },
                     refused("error loading data/bg.png")});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(BrokenPicture, BadData, ::testing::ValuesIn(brokenPictures()), caseName);

std::vector<Case> wrongSizes() {
    std::vector<Case> cases;
    for (const SizeClass& k : SIZE_CLASSES) {
        RgbPicture original;
        if (!readRgbPicture(pristine(k.file), &original)) {
            ADD_FAILURE() << "cannot read the generated " << k.file;
            continue;
        }
        const int w = original.width, h = original.height;
        const std::string f = k.file;
        const std::pair<const char*, std::pair<int, int>> sizes[] = {
            {"Smaller_", {w / 2, h / 2}},
            {"OneRowShort_", {w, h - 1}},
            {"OneColumnShort_", {w - 1, h}},
        };
        for (const auto& s : sizes) {
            const int sw = s.second.first, sh = s.second.second;
            cases.push_back({s.first + f, [f, sw, sh](const DataCopy& d) { replacePicture(d, f, sw, sh); },
                             sizeExpectation(k, sw, sh)});
        }
    }
    // A transition picture of 10 x 10, as a user once tried.
    cases.push_back({"TenByTen_trans1.png", [](const DataCopy& d) { replacePicture(d, "trans1.png", 10, 10); },
                     refused("error loading data/trans1.png: expected 320 x 240 pixels, found 10 x 10")});
    // The waterfall palette is read as one run of 190 colours, whatever its shape.
    const char* pal = "waterfall_pal.png";
    const auto palette = [pal](int w, int h) {
        return [pal, w, h](const DataCopy& d) { replacePicture(d, pal, w, h); };
    };
    cases.push_back({"OnePixelShort_waterfall_pal.png", palette(189, 1),
                     refused("error loading data/waterfall_pal.png: expected 190 pixels or more, found 189 x 1")});
    cases.push_back({"Smaller_waterfall_pal.png", palette(10, 10),
                     refused("error loading data/waterfall_pal.png: expected 190 pixels or more, found 10 x 10")});
    cases.push_back({"JustLargeEnough_waterfall_pal.png", palette(190, 1), plays(4400)});
    cases.push_back({"TwoRows_waterfall_pal.png", palette(95, 2), plays(4400)});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(WrongSize, BadData, ::testing::ValuesIn(wrongSizes()), caseName);

// Every picture larger than the show reads, all at once: pictures are read
// at fixed strides and sizes, so the show draws the wrong pixels, but never
// outside a picture. The renderer goes through every scene.
class LargerPictures : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(LargerPictures, EveryScenePlays) {
    DataCopy data;
    for (const FileRule& rule : dataSetRules()) {
        if (rule.kind != FileKind::Png) continue;
        RgbPicture original;
        ASSERT_TRUE(readRgbPicture(pristine(rule.name), &original));
        replacePicture(data, rule.name, original.width * GetParam().first + GetParam().second,
                       original.height * GetParam().first + GetParam().second);
    }
    const std::string frames = "300,1400,1560,2300,2900,4400,5320,5700,6400,7400";
    const ProgramResult r = runRenderer(data, {"--hash", "--frames", frames});
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_TRUE(std::regex_match(r.out, std::regex("([0-9]+ [0-9]+ [0-9a-f]{8} [0-9a-f]{16}\n){10}"))) << r.out;
    EXPECT_EQ(r.err, "");
    checkLive(data, plays());
}

// One column and one row more; twice the size.
INSTANTIATE_TEST_SUITE_P(WrongSize, LargerPictures, ::testing::Values(std::make_pair(1, 1), std::make_pair(2, 0)),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                             return info.param.first == 1 ? std::string("OneMore") : std::string("TwiceAsLarge");
                         });

// --- meshes ---

std::string replaceAll(const std::string& text, const std::string& pattern, const std::string& with) {
    return std::regex_replace(text, std::regex(pattern), with);
}

// Numbers in records turned into words scanf cannot read, or can read only
// in part, in turn.
std::string nonNumeric(const std::string& text) {
    static const char* const WORDS[] = {"abc", "nan", "-inf", "1e39", "0x", "--1", "+", "1.5.5", "e5", "."};
    std::string out;
    std::regex number("-?[0-9]+\\.[0-9]+|\\b[0-9]+\\b");
    size_t k = 0, last = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it) {
        out += text.substr(last, static_cast<size_t>(it->position()) - last);
        out += k % 3 == 0 ? WORDS[(k / 3) % 10] : it->str();
        last = static_cast<size_t>(it->position() + it->length());
        k++;
    }
    return out + text.substr(last);
}

std::vector<Case> brokenMeshes() {
    std::vector<Case> cases;
    for (const char* mesh : {"sopwith.ase", "kukka.ase"}) {
        const std::string m = mesh;
        // The plane flies in the biplane scene, the flower grows in the dragonfly's.
        const int frame = m == "sopwith.ase" ? 2900 : 5700;
        const auto edit = [m](std::function<std::string(const std::string&)> f) {
            return [m, f](const DataCopy& d) { writeFile(d.replace(m), f(readFile(pristine(m)))); };
        };
        cases.push_back({"TruncatedMidRecord_" + m, edit([](const std::string& t) {
                             const size_t face = t.find("*MESH_FACE ", t.size() / 2);
                             return t.substr(0, face + 24);
                         }),
                         plays(frame)});
        cases.push_back({"TruncatedMidNumber_" + m, edit([](const std::string& t) {
                             const size_t vertex = t.find("*MESH_VERTEX ", t.size() / 4);
                             return t.substr(0, t.find('.', vertex) + 2);
                         }),
                         plays(frame)});
        cases.push_back({"IndicesBeyondCounts_" + m, edit([](const std::string& t) {
                             std::string s = replaceAll(t, "A: +[0-9]+", "A: 999999");
                             s = replaceAll(s, "B: +[0-9]+", "B: -7");
                             s = replaceAll(s, "C: +[0-9]+", "C: 2147483647");
                             s = replaceAll(s, "(\\*MESH_TFACE +[0-9]+\\s+)[0-9]+", "$1-2147483648");
                             s = replaceAll(s, "(\\*MESH_VERTEXNORMAL +)[0-9]+", "$1123456");
                             return s;
                         }),
                         plays(frame)});
        cases.push_back(
            {"MoreRecordsThanCounts_" + m, edit([](const std::string& t) { return t + t + t; }), plays(frame)});
        cases.push_back({"NonNumericFields_" + m, edit(nonNumeric), plays(frame)});
        cases.push_back({"LongWords_" + m, edit([](const std::string& t) {
                             const std::string word(10000, 'W');
                             std::string s = "*COMMENT " + word + "\n" + t;
                             s.insert(s.find("*MESH_VERTEX ") + 13, word + " ");
                             s.insert(s.find("*MESH_FACE "), "*MESH_FACE" + word + " ");
                             return s + "*MESH_TVERT" + word;
                         }),
                         plays(frame)});
        cases.push_back({"Empty_" + m, edit([](const std::string&) { return std::string(); }), plays(frame)});
        cases.push_back(
            {"RandomBytes_" + m, edit([](const std::string& t) { return randomBytes(t.size(), 7); }), plays(frame)});
        cases.push_back({"Directory_" + m, [m](const DataCopy& d) { fs::create_directory(d.replace(m)); },
                         refused("error loading data/" + m)});
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(BrokenMesh, BadData, ::testing::ValuesIn(brokenMeshes()), caseName);

// --- music ---

std::vector<Case> brokenMusic() {
    const std::string ogg = "warmer.ogg";
    std::vector<Case> cases;
    cases.push_back({"Empty", [ogg](const DataCopy& d) { writeFile(d.replace(ogg), ""); }, noMusic(true)});
    cases.push_back(
        {"RandomBytes", [ogg](const DataCopy& d) { writeFile(d.replace(ogg), randomBytes(65536, 5)); }, noMusic(true)});
    cases.push_back({"Directory", [ogg](const DataCopy& d) { fs::create_directory(d.replace(ogg)); }, noMusic(true)});
    // The rest begin with the Ogg signature, so the renderer's --video hands
    // them to ffmpeg; only the live program decodes them.
    cases.push_back({"TruncatedInsideHeaders",
                     [ogg](const DataCopy& d) { writeFile(d.replace(ogg), readFile(pristine(ogg)).substr(0, 200)); },
                     noMusic(false)});
    cases.push_back({"TruncatedToHalf",
                     [ogg](const DataCopy& d) {
                         const std::string bytes = readFile(pristine(ogg));
                         writeFile(d.replace(ogg), bytes.substr(0, bytes.size() / 2 + 77));
                     },
                     plays()});
    cases.push_back(
        {"Mono", [ogg](const DataCopy& d) { fs::copy_file(AMBRELLE_TEST_OGG_MONO, d.replace(ogg)); }, plays()});
    cases.push_back(
        {"Rate22050", [ogg](const DataCopy& d) { fs::copy_file(AMBRELLE_TEST_OGG_22050, d.replace(ogg)); }, plays()});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(BrokenMusic, BadData, ::testing::ValuesIn(brokenMusic()), caseName);

// --- pictures in other PNG formats: converted to 8-bit RGB on loading ---

struct FormatCase {
    std::string name;
    // The 8-bit RGB picture the file must load as.
    std::function<RgbPicture(const RgbPicture&)> reference;
    // Writes the file in its format, holding the reference picture.
    std::function<bool(const std::string&, const RgbPicture&)> write;
};

RgbPicture asIs(const RgbPicture& p) { return p; }
RgbPicture grey(const RgbPicture& p) {
    RgbPicture g = p;
    for (size_t i = 0; i < g.rgb.size(); i += 3) g.rgb[i] = g.rgb[i + 2] = g.rgb[i + 1];
    return g;
}
// 3 bits of red and green, 2 of blue: at most 256 colours.
RgbPicture quantized(const RgbPicture& p) {
    RgbPicture q = p;
    for (size_t i = 0; i < q.rgb.size(); i += 3) {
        q.rgb[i] &= 0xE0;
        q.rgb[i + 1] &= 0xE0;
        q.rgb[i + 2] &= 0xC0;
    }
    return q;
}

// Samples of the reference, `channels` of each pixel (1: green as grey),
// widened to 16 bits with noise in the low byte, and alpha appended if asked.
std::vector<uint8_t> samplesOf(const RgbPicture& p, int channels, int bits, bool alpha) {
    std::mt19937 rng(99);
    std::vector<uint8_t> out;
    const auto put = [&](uint8_t v) {
        out.push_back(v);
        if (bits == 16) out.push_back(static_cast<uint8_t>(rng()));
    };
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        if (channels == 1)
            put(p.rgb[i + 1]);
        else
            for (int c = 0; c < 3; c++) put(p.rgb[i + c]);
        if (alpha) put(static_cast<uint8_t>(rng()));
    }
    return out;
}

std::vector<FormatCase> formatCases() {
    const auto plain = [](PngColor color, int channels, int bits, bool alpha) {
        return [=](const std::string& path, const RgbPicture& p) {
            return writePng(path, p.width, p.height, color, bits, samplesOf(p, channels, bits, alpha));
        };
    };
    const auto paletted = [](const std::string& path, const RgbPicture& p) {
        std::vector<uint8_t> palette, indices;
        for (int i = 0; i < 256; i++)
            palette.insert(palette.end(), {static_cast<uint8_t>(i >> 5 << 5), static_cast<uint8_t>((i >> 2 & 7) << 5),
                                           static_cast<uint8_t>((i & 3) << 6)});
        for (size_t i = 0; i < p.rgb.size(); i += 3)
            indices.push_back(
                static_cast<uint8_t>((p.rgb[i] >> 5) << 5 | (p.rgb[i + 1] >> 5) << 2 | p.rgb[i + 2] >> 6));
        return writePng(path, p.width, p.height, PngColor::Palette, 8, indices, palette);
    };
    return {
        {"Rgb16", asIs, plain(PngColor::Rgb, 3, 16, false)},
        {"Rgba8", asIs, plain(PngColor::Rgba, 3, 8, true)},
        {"Rgba16", asIs, plain(PngColor::Rgba, 3, 16, true)},
        {"Grey8", grey, plain(PngColor::Grey, 1, 8, false)},
        {"Grey16", grey, plain(PngColor::Grey, 1, 16, false)},
        {"GreyAlpha8", grey, plain(PngColor::GreyAlpha, 1, 8, true)},
        {"Palette8", quantized, paletted},
    };
}

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class PictureFormat : public ::testing::TestWithParam<FormatCase> {};

// The feather's background, shown whole in frame 300.
TEST_P(PictureFormat, PlaysExactlyAsItsEightBitRgbTwin) {
    const FormatCase& c = GetParam();
    const std::string file = "bg3.png";
    const int frame = 300;
    RgbPicture original;
    ASSERT_TRUE(readRgbPicture(pristine(file), &original));
    const RgbPicture reference = c.reference(original);
    DataCopy twin, converted;
    ASSERT_TRUE(writeRgbPng(twin.replace(file), reference));
    ASSERT_TRUE(c.write(converted.replace(file), reference));
    RgbPicture decoded;
    ASSERT_TRUE(readRgbPicture(converted.file(file), &decoded));
    EXPECT_EQ(decoded.rgb, reference.rgb);

    const std::vector<std::string> args = {"--hash", "--frames", std::to_string(frame)};
    const ProgramResult a = runRenderer(twin, args), b = runRenderer(converted, args);
    ASSERT_EQ(a.status, 0) << describe(a);
    EXPECT_TRUE(oneHashLine(a.out, frame)) << describe(a);
    EXPECT_EQ(b.status, 0) << describe(b);
    EXPECT_EQ(b.err, "") << describe(b);
    EXPECT_EQ(b.out, a.out);
    if (c.name == "Grey8") {
        // The frame shows the picture: the pristine one gives another hash.
        DataCopy untouched;
        EXPECT_NE(runRenderer(untouched, args).out, a.out);
    }
    checkLive(converted, plays());
}

INSTANTIATE_TEST_SUITE_P(Png, PictureFormat, ::testing::ValuesIn(formatCases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

// --- a music stream with damaged pages ---

struct OggPage {
    size_t offset, size;
    int64_t granule;
};

std::vector<OggPage> oggPages(const std::string& s) {
    std::vector<OggPage> pages;
    size_t pos = 0;
    while (pos + 27 <= s.size() && s.compare(pos, 4, "OggS") == 0) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[pos + i]); };
        int64_t granule = 0;
        for (int i = 7; i >= 0; i--) granule = granule << 8 | byte(6 + static_cast<size_t>(i));
        const size_t segments = byte(26);
        if (pos + 27 + segments > s.size()) break;
        size_t body = 0;
        for (size_t i = 0; i < segments; i++) body += byte(27 + i);
        pages.push_back({pos, 27 + segments + body, granule});
        pos += 27 + segments + body;
    }
    return pages;
}

// Pages of the first seconds of music damaged in several ways; the live
// program plays on past them, and the sound after them is music again.
TEST(DamagedMusic, PlaysOnPastDamagedPages) {
    std::string bytes = readFile(pristine("warmer.ogg"));
    const std::vector<OggPage> pages = oggPages(bytes);
    size_t first = 0;  // the first page of audio
    while (first < pages.size() && pages[first].granule <= 0) first++;
    ASSERT_LT(first + 20, pages.size());
    std::mt19937 rng(3);
    // One page with a byte flipped in its body, one with its capture pattern
    // broken, one cut short, then three pages' worth of noise: about the
    // first 2.5 s of music (pages hold about 0.35 s each).
    bytes[pages[first].offset + pages[first].size / 2] ^= 0x5A;
    bytes[pages[first + 2].offset + 1] = 'x';
    const OggPage cut = pages[first + 4];
    bytes.erase(cut.offset + cut.size / 3, cut.size / 3);
    const std::string noise = randomBytes(12000, 11);
    bytes.replace(cut.offset + cut.size - cut.size / 3, noise.size(), noise);
    // The broken capture pattern ends the run of intact pages.
    ASSERT_EQ(oggPages(bytes).size(), first + 2);

    DataCopy data;
    writeFile(data.replace("warmer.ogg"), bytes);
    const std::string sound = data.root + "/sound.raw";
    const ProgramResult r = runLive(data, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + sound}, 6000);
    EXPECT_FALSE(r.timedOut) << describe(r);
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out, "");
    // SDL's disk driver announces itself on standard error; nothing else may.
    EXPECT_EQ(std::regex_replace(r.err, std::regex("CRITICAL: [^\n]*\n"), ""), "") << r.err;
    // 44100 Hz, 16-bit stereo: the damage lies within the first 3 s of music;
    // the last second written, after 4 s or more, is music again.
    const std::string pcm = readFile(sound);
    const size_t second = 44100 * 4;
    ASSERT_GT(pcm.size(), 4 * second) << "the disk driver wrote " << pcm.size() << " bytes";
    size_t loud = 0;
    for (size_t i = pcm.size() - second; i + 1 < pcm.size(); i += 2) {
        const int16_t v = static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) | static_cast<uint8_t>(pcm[i + 1]) << 8);
        loud += v > 64 || v < -64;
    }
    EXPECT_GT(loud, second / 20) << "silence after the damaged pages";

    const ProgramResult renderer = runRenderer(data, {"--hash", "--frames", "1"});
    EXPECT_EQ(renderer.status, 0) << describe(renderer);
}

}  // namespace
