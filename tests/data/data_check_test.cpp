// The data check against good and bad files: picture sizes, mesh record
// counts, the music's Ogg Vorbis header and pages, and whole folders.
#include "datacheck/data_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "datacheck/ogg_check.h"
#include "support/test_png.h"

namespace {

bool writePng(const std::string& path, int w, int h) {
    return writeTestPng(path, w, h, 3, std::vector<unsigned char>(static_cast<size_t>(w) * h * 3, 200));
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An ASE text in the layout of the format: list and count keywords around the
// records, so that only whole-word keywords may count.
std::string aseText(int vertices, int faces, int texVertices, int texFaces, int badCorner = -1) {
    std::ostringstream s;
    s << "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n *MESH {\n  *MESH_NUMVERTEX " << vertices << "\n";
    s << "  *MESH_NUMFACES " << faces << "\n  *MESH_VERTEX_LIST {\n";
    for (int i = 0; i < vertices; i++) s << "   *MESH_VERTEX " << i << " 1.0 2.0 3.0\n";
    s << "  }\n  *MESH_FACE_LIST {\n";
    for (int i = 0; i < faces; i++) {
        const int a = (i == 0 && badCorner >= 0) ? badCorner : i % vertices;
        s << "   *MESH_FACE " << i << ":    A: " << a << " B: " << (i + 1) % vertices << " C: " << (i + 2) % vertices
          << " AB: 1 BC: 1 CA: 0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 1\n";
    }
    s << "  }\n  *MESH_NUMTVERTEX " << texVertices << "\n  *MESH_TVERTLIST {\n";
    for (int i = 0; i < texVertices; i++) s << "   *MESH_TVERT " << i << " 0.5 0.25 0.0\n";
    s << "  }\n  *MESH_NUMTVFACES " << texFaces << "\n  *MESH_TFACELIST {\n";
    for (int i = 0; i < texFaces; i++) s << "   *MESH_TFACE " << i << " 0 1 2\n";
    s << "  }\n  *MESH_NORMALS {\n   *MESH_FACENORMAL 0 0.0 0.0 1.0\n   *MESH_VERTEXNORMAL 0 0.0 0.0 1.0\n  }\n }\n}\n";
    return s.str();
}

// Re-seals an Ogg page after a test has edited it.
void resealFirstPage(std::vector<unsigned char>& file) {
    const int segments = file[26];
    size_t length = 27 + segments;
    for (int i = 0; i < segments; i++) length += file[27 + i];
    for (int i = 22; i < 26; i++) file[i] = 0;
    const uint32_t crc = oggCrcUpdate(0, file.data(), length);
    for (int i = 0; i < 4; i++) file[22 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

FileRule musicRule(double minSeconds, double maxSeconds) {
    FileRule r = *findRule("warmer.ogg");
    r.minSeconds = minSeconds;
    r.maxSeconds = maxSeconds;
    return r;
}

}  // namespace

TEST(DataCheckRules, ListEveryFileOfTheDataSetOnce) {
    const auto& rules = dataSetRules();
    ASSERT_EQ(rules.size(), 43u);
    std::set<std::string> names;
    int png = 0, ase = 0, ogg = 0;
    for (const FileRule& r : rules) {
        names.insert(r.name);
        png += r.kind == FileKind::Png;
        ase += r.kind == FileKind::Ase;
        ogg += r.kind == FileKind::Ogg;
    }
    EXPECT_EQ(names.size(), 43u);
    EXPECT_EQ(png, 40);
    EXPECT_EQ(ase, 2);
    EXPECT_EQ(ogg, 1);
    EXPECT_EQ(findRule("nothing.png"), nullptr);
    EXPECT_EQ(findRule("sopwith.ase")->faces, 136);
    EXPECT_EQ(findRule("kukka.ase")->texVertices, 224);
}

TEST(DataCheckRules, WingFramesKeepEveryDrawnRowOnScreen) {
    // Frames are raised by 60, 40 and 10 rows around a centre row of 150..189.
    EXPECT_EQ(findRule("df_wing1.png")->maxHeight, 181);
    EXPECT_EQ(findRule("df_wing2.png")->maxHeight, 184);
    EXPECT_EQ(findRule("df_wing3.png")->maxHeight, 124);
    const std::string dir = makeTempDir();
    ASSERT_TRUE(writePng(dir + "/w.png", 192, 124));
    EXPECT_EQ(checkPng(dir + "/w.png", *findRule("df_wing3.png")), "");
    ASSERT_TRUE(writePng(dir + "/w.png", 192, 125));
    EXPECT_NE(checkPng(dir + "/w.png", *findRule("df_wing3.png")), "");
}

TEST(DataCheckPng, ExactSizesPassAndOthersAreNamed) {
    const std::string dir = makeTempDir();
    const FileRule& sky = *findRule("skybax.png");
    ASSERT_TRUE(writePng(dir + "/a.png", 320, 240));
    EXPECT_EQ(checkPng(dir + "/a.png", sky), "");
    ASSERT_TRUE(writePng(dir + "/a.png", 320, 239));
    EXPECT_EQ(checkPng(dir + "/a.png", sky), "is 320 x 239, height must be 240");
    ASSERT_TRUE(writePng(dir + "/a.png", 321, 240));
    EXPECT_EQ(checkPng(dir + "/a.png", sky), "is 321 x 240, width must be 320");
}

TEST(DataCheckPng, MinimumSizesAndPixelCounts) {
    const std::string dir = makeTempDir();
    const FileRule& font = *findRule("font.png");
    ASSERT_TRUE(writePng(dir + "/f.png", 128, 45));
    EXPECT_EQ(checkPng(dir + "/f.png", font), "");
    ASSERT_TRUE(writePng(dir + "/f.png", 256, 90));
    EXPECT_EQ(checkPng(dir + "/f.png", font), "");
    ASSERT_TRUE(writePng(dir + "/f.png", 127, 45));
    EXPECT_EQ(checkPng(dir + "/f.png", font), "is 127 x 45, width must be at least 128");
    // The drop sheet is read at a stride of 256: wider is as wrong as narrower.
    ASSERT_TRUE(writePng(dir + "/d.png", 257, 300));
    EXPECT_NE(checkPng(dir + "/d.png", *findRule("drops01.png")), "");
    const FileRule& palette = *findRule("waterfall_pal.png");
    ASSERT_TRUE(writePng(dir + "/p.png", 190, 1));
    EXPECT_EQ(checkPng(dir + "/p.png", palette), "");
    ASSERT_TRUE(writePng(dir + "/p.png", 189, 1));
    EXPECT_EQ(checkPng(dir + "/p.png", palette), "is 189 x 1, needs at least 190 pixels");
}

TEST(DataCheckPng, UnreadableFilesFail) {
    const std::string dir = makeTempDir();
    writeText(dir + "/t.png", "this is not a picture");
    EXPECT_EQ(checkPng(dir + "/t.png", *findRule("bg.png")).rfind("not a readable PNG", 0), 0u);
    // A real PNG cut in half: the header alone would still give the size.
    ASSERT_TRUE(writePng(dir + "/c.png", 320, 240));
    std::vector<unsigned char> bytes = readBytes(dir + "/c.png");
    bytes.resize(bytes.size() / 2);
    writeBytes(dir + "/c.png", bytes);
    EXPECT_EQ(checkPng(dir + "/c.png", *findRule("bg.png")).rfind("not a readable PNG", 0), 0u);
}

TEST(DataCheckPng, HugeHeadersAreNotDecoded) {
    // A PNG header claiming 256 x 100000 pixels (and no picture data): read
    // at the drop sheet's stride it fits, but nothing of the show is that big.
    const std::vector<unsigned char> header = {
        0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,   0,   1, 0, 0, 1, 0x86,
        0xA0, 8,   2,   0,   0,    0,    0,    0,    0, 0, 0, 0,  0,   0,   'I', 'E', 'N', 'D', 0, 0, 0, 0};
    const std::string path = makeTempDir() + "/huge.png";
    writeBytes(path, header);
    EXPECT_EQ(checkPng(path, *findRule("drops01.png")), "is 256 x 100000, far larger than any picture of the show");
}

TEST(DataCheckAse, ExactRecordCountsPass) {
    const std::string path = makeTempDir() + "/kukka.ase";
    writeText(path, aseText(121, 121, 224, 121));
    EXPECT_EQ(checkAse(path, *findRule("kukka.ase")), "");
}

TEST(DataCheckAse, WrongCountsAreNamedKeywordByKeyword) {
    const std::string path = makeTempDir() + "/sopwith.ase";
    writeText(path, aseText(121, 136, 287, 136));
    EXPECT_EQ(checkAse(path, *findRule("sopwith.ase")),
              "121 *MESH_VERTEX records, needs exactly 122; 287 *MESH_TVERT records, needs exactly 286");
    writeText(path, aseText(122, 136, 286, 135));
    EXPECT_EQ(checkAse(path, *findRule("sopwith.ase")), "135 *MESH_TFACE records, needs exactly 136");
}

TEST(DataCheckAse, IndicesOutsideTheMeshFail) {
    const std::string path = makeTempDir() + "/kukka.ase";
    writeText(path, aseText(121, 121, 224, 121, 121));
    EXPECT_EQ(checkAse(path, *findRule("kukka.ase")), "face 0 names vertex 121, outside 0..120");
}

TEST(DataCheckOgg, ReadsTheVorbisHeaderAndLength) {
    OggVorbisInfo info;
    ASSERT_EQ(readOggVorbisInfo(readBytes(AMBRELLE_TEST_OGG), &info), "");
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.lastGranule, 3 * 44100);
    EXPECT_GT(info.pages, 3);
    // The three-second fixture is no soundtrack.
    EXPECT_EQ(checkOgg(AMBRELLE_TEST_OGG, *findRule("warmer.ogg")), "lasts 3.00 s, needs 247.1..250.0 s");
    EXPECT_EQ(checkOgg(AMBRELLE_TEST_OGG, musicRule(2, 4)), "");
}

TEST(DataCheckOgg, WrongRateOrChannelsAreNamed) {
    const std::string dir = makeTempDir();
    std::vector<unsigned char> file = readBytes(AMBRELLE_TEST_OGG);
    ASSERT_GT(file.size(), 100u);
    // The identification header follows the 27-byte page header and one
    // lacing byte: channels at body byte 11, rate at 12..15.
    const size_t body = 28;
    std::vector<unsigned char> mono = file;
    mono[body + 11] = 1;
    resealFirstPage(mono);
    writeBytes(dir + "/mono.ogg", mono);
    EXPECT_EQ(checkOgg(dir + "/mono.ogg", musicRule(2, 4)), "is 44100 Hz with 1 channels, needs 44100 Hz stereo");
    std::vector<unsigned char> slow = file;
    slow[body + 12] = 0x22;  // 22050 = 0x5622
    slow[body + 13] = 0x56;
    resealFirstPage(slow);
    writeBytes(dir + "/slow.ogg", slow);
    EXPECT_EQ(checkOgg(dir + "/slow.ogg", musicRule(2, 8)), "is 22050 Hz with 2 channels, needs 44100 Hz stereo");
}

TEST(DataCheckOgg, DamagedFilesFail) {
    const std::string dir = makeTempDir();
    const std::vector<unsigned char> file = readBytes(AMBRELLE_TEST_OGG);
    writeText(dir + "/text.ogg", "Ogg");
    EXPECT_EQ(checkOgg(dir + "/text.ogg", musicRule(2, 4)), "is not an Ogg stream (no page at byte 0)");
    writeText(dir + "/text.ogg", "OggS, or so it says; the rest of it is words");
    EXPECT_EQ(checkOgg(dir + "/text.ogg", musicRule(2, 4)), "has an Ogg page of unknown version");
    // Good pages followed by something else.
    std::vector<unsigned char> tail = file;
    tail.insert(tail.end(), {'j', 'u', 'n', 'k'});
    writeBytes(dir + "/tail.ogg", tail);
    EXPECT_EQ(checkOgg(dir + "/tail.ogg", musicRule(2, 4)), "has data after its end-of-stream page");
    std::vector<unsigned char> flipped = file;
    flipped[file.size() / 2] ^= 0x40;
    writeBytes(dir + "/flipped.ogg", flipped);
    EXPECT_EQ(checkOgg(dir + "/flipped.ogg", musicRule(2, 4)).rfind("has a bad checksum on page", 0), 0u);
    std::vector<unsigned char> cut(file.begin(), file.begin() + file.size() - 10);
    writeBytes(dir + "/cut.ogg", cut);
    EXPECT_EQ(checkOgg(dir + "/cut.ogg", musicRule(2, 4)).rfind("is cut short inside page", 0), 0u);
    writeBytes(dir + "/empty.ogg", {});
    EXPECT_EQ(checkOgg(dir + "/empty.ogg", musicRule(2, 4)), "is empty");
    EXPECT_EQ(checkOgg(dir + "/absent.ogg", musicRule(2, 4)), "cannot be read");
}

TEST(DataCheckFolder, EmptyFolderFailsEveryFileByName) {
    const DataCheckResult result = checkDataFolder(makeTempDir(), DataCheckOptions());
    EXPECT_EQ(result.checked, 0);
    ASSERT_EQ(result.failures.size(), 43u);
    EXPECT_EQ(result.failures[0], "font.png: missing");
    EXPECT_EQ(result.failures[42], "warmer.ogg: missing");
}

TEST(DataCheckFolder, OnlyPresentSkipsAbsentFilesButNotRequiredOnes) {
    const std::string dir = makeTempDir();
    ASSERT_TRUE(writePng(dir + "/skybax.png", 320, 240));
    ASSERT_TRUE(writePng(dir + "/spark.png", 32, 31));
    DataCheckOptions options;
    options.onlyPresent = true;
    DataCheckResult result = checkDataFolder(dir, options);
    EXPECT_EQ(result.checked, 2);
    EXPECT_EQ(result.skipped, 41);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0], "spark.png: is 32 x 31, height must be 32");

    options.required = {"font.png", "skybax.png"};
    result = checkDataFolder(dir, options);
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0], "font.png: missing");
    EXPECT_EQ(result.failures[1], "spark.png: is 32 x 31, height must be 32");
}

TEST(DataCheckFolder, RequiredListsNameOnlyFilesOfTheDataSet) {
    const std::string dir = makeTempDir();
    std::vector<std::string> names;
    std::string error;
    writeText(dir + "/good.txt", "# comment\n\nfont.png\n  skybax.png  \r\n");
    ASSERT_TRUE(readRequiredList(dir + "/good.txt", &names, &error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"font.png", "skybax.png"}));
    names.clear();
    writeText(dir + "/bad.txt", "font.png\nfont.pgn\n");
    EXPECT_FALSE(readRequiredList(dir + "/bad.txt", &names, &error));
    EXPECT_EQ(error, dir + "/bad.txt:2: font.pgn is not a file of the data set");
    EXPECT_FALSE(readRequiredList(dir + "/none.txt", &names, &error));
}
