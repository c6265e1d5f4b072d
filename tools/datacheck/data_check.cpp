// The rules of the data set and the checks of pictures, meshes and the folder.
#include "datacheck/data_check.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "main/show_facts.h"
#include "stb_image.h"

namespace {

const int ANY = INT_MAX;
const long MAX_PIXELS = 4096L * 4096;

FileRule picture(const char* name, int minW, int maxW, int minH, int maxH, int minPixels = 0) {
    FileRule r{name, FileKind::Png};
    r.minWidth = minW;
    r.maxWidth = maxW;
    r.minHeight = minH;
    r.maxHeight = maxH;
    r.minPixels = minPixels;
    return r;
}

FileRule exact(const char* name, int w, int h) { return picture(name, w, w, h, h); }

FileRule mesh(const char* name, int vertices, int faces, int texVertices) {
    FileRule r{name, FileKind::Ase};
    r.vertices = vertices;
    r.faces = faces;
    r.texVertices = texVertices;
    return r;
}

// The tallest wing frame whose drawn rows (all but the last) stay on screen
// wherever the dragonfly is on its circle: its centre row cy runs 150..189,
// the frame is centred on it and raised by `lift` rows.
int wingMaxHeight(int lift) {
    int best = 0;
    for (int h = 2; h < 480; h++) {
        const int top = 150 - (h >> 1) - lift;
        const int bottom = 189 - (h >> 1) + (h - 2) - lift;
        if (top >= 0 && bottom <= 239) best = h;
    }
    return best;
}

std::vector<FileRule> makeRules() {
    std::vector<FileRule> rules;
    rules.push_back(picture("font.png", 128, ANY, 45, ANY));
    rules.push_back(exact("skybax.png", 320, 240));
    for (const char* n : {"trans1.png", "trans2.png", "trans3.png", "trans4.png", "trans5.png"})
        rules.push_back(exact(n, 320, 240));
    rules.push_back(exact("bg3.png", 320, 240));
    rules.push_back(exact("feather.png", 128, 128));
    rules.push_back(exact("feather_alpha.png", 128, 128));
    rules.push_back(exact("tornvale.png", 320, 240));
    rules.push_back(exact("tornvale_opac.png", 320, 240));
    rules.push_back(exact("majakka.png", 320, 240));
    rules.push_back(picture("majakka_light.png", 128, 128, 128, ANY));
    rules.push_back(exact("map_twirl.png", 320, 240));
    rules.push_back(exact("spark.png", 32, 32));
    rules.push_back(exact("ambrelle_logo.png", 320, 240));
    rules.push_back(exact("ambrelle_alpha.png", 320, 240));
    rules.push_back(exact("bg2.png", 320, 240));
    // Read at a stride of 256 pixels.
    rules.push_back(picture("drops01.png", 256, 256, 256, ANY));
    rules.push_back(exact("env_red.png", 256, 256));
    for (const char* n : {"cloud1.png", "cloud2.png", "cloud3.png"}) rules.push_back(exact(n, 256, 256));
    rules.push_back(mesh("sopwith.ase", PLANE_MESH.vertexCount, PLANE_MESH.faceCount, PLANE_MESH.texCoordCount));
    rules.push_back(exact("luola.png", 320, 240));
    for (const char* n : {"waterfall1.png", "waterfall2.png", "waterfall3.png"}) rules.push_back(exact(n, 128, 256));
    // Read as one run of colours, indices 91..189.
    rules.push_back(picture("waterfall_pal.png", 1, ANY, 1, ANY, 190));
    rules.push_back(exact("luola_alpha.png", 128, 240));
    rules.push_back(exact("fontgreet.png", 256, 80));
    rules.push_back(exact("bg.png", 320, 240));
    rules.push_back(mesh("kukka.ase", FLOWER_MESH.vertexCount, FLOWER_MESH.faceCount, FLOWER_MESH.texCoordCount));
    rules.push_back(exact("kukka.png", 256, 256));
    rules.push_back(exact("dragonfly.png", 32, 84));
    rules.push_back(exact("dragonfly_opac.png", 32, 84));
    // The three wing frames are raised by 60, 40 and 10 rows.
    rules.push_back(picture("df_wing1.png", 192, 192, 2, wingMaxHeight(60)));
    rules.push_back(picture("df_wing2.png", 192, 192, 2, wingMaxHeight(40)));
    rules.push_back(picture("df_wing3.png", 192, 192, 2, wingMaxHeight(10)));
    rules.push_back(picture("credits.png", 256, 256, 176, ANY));
    rules.push_back(picture("credits_opac.png", 256, 256, 176, ANY));
    FileRule music{"warmer.ogg", FileKind::Ogg};
    // The last section starts at 247.1 s and the show ends at 250 s.
    music.minSeconds = 247.1;
    music.maxSeconds = 250.0;
    rules.push_back(music);
    return rules;
}

std::string range(int lo, int hi) {
    if (lo == hi) return std::to_string(lo);
    if (hi == ANY) return "at least " + std::to_string(lo);
    return std::to_string(lo) + ".." + std::to_string(hi);
}

bool isFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads the integer word after a keyword; false if the word is not a whole
// decimal number.
bool readInt(std::istream& in, long* value) {
    std::string word;
    if (!(in >> word)) return false;
    char* end = nullptr;
    *value = strtol(word.c_str(), &end, 10);
    return !word.empty() && *end == '\0';
}

}  // namespace

const std::vector<FileRule>& dataSetRules() {
    static const std::vector<FileRule> rules = makeRules();
    return rules;
}

const FileRule* findRule(const std::string& name) {
    for (const FileRule& r : dataSetRules())
        if (name == r.name) return &r;
    return nullptr;
}

namespace {
// The size a PNG's header claims, read directly: the decoder does not look
// at pictures wider or taller than 4096 pixels at all.
bool claimedPngSize(const std::string& path, unsigned long* w, unsigned long* h) {
    unsigned char b[24];
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(b), sizeof b)) return false;
    if (memcmp(b, "\x89PNG\r\n\x1a\n", 8) != 0 || memcmp(b + 12, "IHDR", 4) != 0) return false;
    const auto bigEndian = [&b](int at) {
        return static_cast<unsigned long>(b[at]) << 24 | static_cast<unsigned long>(b[at + 1]) << 16 |
               static_cast<unsigned long>(b[at + 2]) << 8 | b[at + 3];
    };
    *w = bigEndian(16);
    *h = bigEndian(20);
    return true;
}
}  // namespace

std::string checkPng(const std::string& path, const FileRule& rule) {
    unsigned long claimedW = 0, claimedH = 0;
    if (claimedPngSize(path, &claimedW, &claimedH) && (claimedW > 4096 || claimedH > 4096))
        return "is " + std::to_string(claimedW) + " x " + std::to_string(claimedH) +
               ", far larger than any picture of the show";
    int w = 0, h = 0;
    if (!stbi_info(path.c_str(), &w, &h, nullptr))
        return std::string("not a readable PNG (") + stbi_failure_reason() + ")";
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (w < rule.minWidth || w > rule.maxWidth)
        return "is " + size + ", width must be " + range(rule.minWidth, rule.maxWidth);
    if (h < rule.minHeight || h > rule.maxHeight)
        return "is " + size + ", height must be " + range(rule.minHeight, rule.maxHeight);
    if (static_cast<long>(w) * h < rule.minPixels)
        return "is " + size + ", needs at least " + std::to_string(rule.minPixels) + " pixels";
    // No picture of the show comes near this; a header claiming more is not
    // decoded at all.
    if (static_cast<long>(w) * h > MAX_PIXELS) return "is " + size + ", far larger than any picture of the show";
    // A full decode, as the show does it: a good header can hide a broken body.
    unsigned char* rgb = stbi_load(path.c_str(), &w, &h, nullptr, 3);
    if (!rgb) return std::string("not a readable PNG (") + stbi_failure_reason() + ")";
    stbi_image_free(rgb);
    return "";
}

std::string checkAse(const std::string& path, const FileRule& rule) {
    std::ifstream in(path);
    if (!in) return "cannot be read";
    long vertices = 0, faces = 0, texVertices = 0, texFaces = 0;
    std::string word;
    std::string badIndex;
    // Keywords count only as whole words; the longer list and count keywords
    // that begin with the same letters are other words.
    while (in >> word) {
        if (word == "*MESH_VERTEX") {
            vertices++;
        } else if (word == "*MESH_TVERT") {
            texVertices++;
        } else if (word == "*MESH_FACE") {
            faces++;
            std::string label;
            long corner[3] = {-1, -1, -1};
            in >> label;  // the face number, "N:"
            for (long& c : corner) {
                in >> label;  // "A:", "B:", "C:"
                if (!readInt(in, &c)) c = -1;
            }
            for (long c : corner)
                if ((c < 0 || c >= rule.vertices) && badIndex.empty())
                    badIndex = "face " + std::to_string(faces - 1) + " names vertex " + std::to_string(c) +
                               ", outside 0.." + std::to_string(rule.vertices - 1);
        } else if (word == "*MESH_TFACE") {
            texFaces++;
            std::string label;
            in >> label;
            for (int i = 0; i < 3; i++) {
                long c = -1;
                if ((!readInt(in, &c) || c < 0 || c >= rule.texVertices) && badIndex.empty())
                    badIndex = "texture face " + std::to_string(texFaces - 1) + " names texture vertex " +
                               std::to_string(c) + ", outside 0.." + std::to_string(rule.texVertices - 1);
            }
        }
    }
    std::string why;
    auto count = [&why](const char* what, long have, long need) {
        if (have != need) {
            if (!why.empty()) why += "; ";
            why += std::to_string(have) + " " + what + " records, needs exactly " + std::to_string(need);
        }
    };
    count("*MESH_VERTEX", vertices, rule.vertices);
    count("*MESH_FACE", faces, rule.faces);
    count("*MESH_TVERT", texVertices, rule.texVertices);
    // Every face needs its texture face: the renderer reads one per face.
    count("*MESH_TFACE", texFaces, rule.faces);
    if (!why.empty()) return why;
    return badIndex;
}

std::string checkFile(const std::string& path, const FileRule& rule) {
    switch (rule.kind) {
        case FileKind::Png:
            return checkPng(path, rule);
        case FileKind::Ase:
            return checkAse(path, rule);
        case FileKind::Ogg:
            return checkOgg(path, rule);
    }
    return "unknown kind of file";
}

DataCheckResult checkDataFolder(const std::string& dir, const DataCheckOptions& options) {
    DataCheckResult result;
    for (const FileRule& rule : dataSetRules()) {
        const std::string path = dir + "/" + rule.name;
        if (!isFile(path)) {
            bool required = !options.onlyPresent;
            for (const std::string& r : options.required) required = required || r == rule.name;
            if (required)
                result.failures.push_back(std::string(rule.name) + ": missing");
            else
                result.skipped++;
            continue;
        }
        result.checked++;
        const std::string why = checkFile(path, rule);
        if (!why.empty()) result.failures.push_back(std::string(rule.name) + ": " + why);
    }
    return result;
}

bool readRequiredList(const std::string& path, std::vector<std::string>* names, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        lineNumber++;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const size_t last = line.find_last_not_of(" \t\r");
        const std::string name = line.substr(first, last - first + 1);
        if (!findRule(name)) {
            *error = path + ":" + std::to_string(lineNumber) + ": " + name + " is not a file of the data set";
            return false;
        }
        names->push_back(name);
    }
    return true;
}
