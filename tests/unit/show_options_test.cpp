// The show's command line: parsing down to the one-line messages, the window
// settings it hands to the Screen, and where it finds the data folder.
#include "main/show_options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/screen.h"
#include "main/data_location.h"

namespace {
struct Parsed {
    ShowParse outcome;
    ShowOptions options;
    std::string error;
};

Parsed parseArgs(std::vector<const char*> args) {
    args.insert(args.begin(), "ambrelle");
    Parsed p;
    p.outcome = parseShowOptions(static_cast<int>(args.size()), args.data(), &p.options, &p.error);
    return p;
}

std::string refused(std::vector<const char*> args) {
    const Parsed p = parseArgs(args);
    EXPECT_EQ(p.outcome, ShowParse::Error);
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
    return p.error;
}

std::string currentDir() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

std::string tempDir() {
    char pattern[] = "/tmp/ambrelle-options-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

// Restores the working directory and the Screen's start-up settings.
struct Restore {
    std::string cwd = currentDir();
    int32_t full = fullScreen, w = firstWindowWidth, h = firstWindowHeight;
    ~Restore() {
        EXPECT_EQ(chdir(cwd.c_str()), 0);
        fullScreen = full;
        firstWindowWidth = w;
        firstWindowHeight = h;
    }
};
}  // namespace

TEST(ShowOptions, NoArgumentsLeaveEverythingToTheProgramName) {
    const Parsed p = parseArgs({});
    ASSERT_EQ(p.outcome, ShowParse::Run);
    EXPECT_EQ(p.options.fullScreen, -1);
    EXPECT_FALSE(p.options.sizeGiven);
    EXPECT_EQ(p.options.dataDir, "");
    EXPECT_FALSE(p.options.noSound);
}

TEST(ShowOptions, EveryOption) {
    Parsed p = parseArgs({"--window", "--size", "800x600", "--data", "/srv/show", "--no-sound"});
    ASSERT_EQ(p.outcome, ShowParse::Run) << p.error;
    EXPECT_EQ(p.options.fullScreen, 0);
    EXPECT_TRUE(p.options.sizeGiven);
    EXPECT_EQ(p.options.width, 800);
    EXPECT_EQ(p.options.height, 600);
    EXPECT_EQ(p.options.dataDir, "/srv/show");
    EXPECT_TRUE(p.options.noSound);

    p = parseArgs({"--fullscreen", "--size=1920x1080", "--data=data"});
    ASSERT_EQ(p.outcome, ShowParse::Run) << p.error;
    EXPECT_EQ(p.options.fullScreen, 1);
    EXPECT_EQ(p.options.width, 1920);
    EXPECT_EQ(p.options.height, 1080);
    EXPECT_EQ(p.options.dataDir, "data");

    EXPECT_EQ(parseArgs({"--help"}).outcome, ShowParse::Help);
    EXPECT_EQ(parseArgs({"-h"}).outcome, ShowParse::Help);
    EXPECT_EQ(parseArgs({"--window", "--help"}).outcome, ShowParse::Help);
    EXPECT_EQ(parseArgs({"--version"}).outcome, ShowParse::Version);
    EXPECT_EQ(parseArgs({"--version", "--help"}).outcome, ShowParse::Help);
}

TEST(ShowOptions, BadCommandLinesNameTheProblem) {
    EXPECT_EQ(refused({"--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(refused({"-w"}), "unknown option '-w'");
    EXPECT_EQ(refused({"data"}), "unexpected argument 'data'");
    EXPECT_EQ(refused({""}), "unexpected argument ''");
    EXPECT_EQ(refused({"--window", "--fullscreen"}), "--window and --fullscreen cannot be combined");
    EXPECT_EQ(refused({"--fullscreen", "--window"}), "--window and --fullscreen cannot be combined");
    EXPECT_EQ(refused({"--window", "--window"}), "--window given twice");
    EXPECT_EQ(refused({"--size"}), "--size needs a value");
    EXPECT_EQ(refused({"--data"}), "--data needs a value");
    EXPECT_EQ(refused({"--data="}), "--data: the value is empty");
    EXPECT_EQ(refused({"--data", ""}), "--data: the value is empty");
    EXPECT_EQ(refused({"--no-sound=yes"}), "--no-sound takes no value");
    EXPECT_EQ(refused({"--size", "640x480", "--size", "800x600"}), "--size given twice");
    EXPECT_EQ(refused({"--size", "641x480"}),
              "--size: width and height must be even numbers from 2 to 8192, got '641x480'");
    EXPECT_EQ(refused({"--size", "640*480"}), "--size: expected WIDTHxHEIGHT such as 640x480, got '640*480'");
}

TEST(ShowOptions, WindowSizesAtTheirBounds) {
    int w = 0, h = 0;
    std::string error;
    EXPECT_TRUE(parseWindowSize("--size", "2x8192", &w, &h, &error));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 8192);
    for (const char* bad : {"0x2", "2x0", "8194x2", "2x8194", "3x2", "99999999999999999999999x2"}) {
        EXPECT_FALSE(parseWindowSize("--size", bad, &w, &h, &error)) << bad;
        EXPECT_NE(error.find("even numbers from 2 to 8192"), std::string::npos) << bad;
    }
    for (const char* bad : {"", "x", "2x", "x2", "2X2", "+2x2", "2x2x2", "2 x2"}) {
        EXPECT_FALSE(parseWindowSize("--size", bad, &w, &h, &error)) << bad;
        EXPECT_NE(error.find("expected WIDTHxHEIGHT"), std::string::npos) << bad;
    }
}

TEST(ShowOptions, ProgramNameIsTheLastComponent) {
    EXPECT_EQ(programName("/usr/games/ambrellew", "ambrelle"), "ambrellew");
    EXPECT_EQ(programName("ambrelle", "x"), "ambrelle");
    EXPECT_EQ(programName("dir/", "ambrelle"), "ambrelle");
    EXPECT_EQ(programName("", "ambrelle"), "ambrelle");
    EXPECT_EQ(programName(nullptr, "ambrelle"), "ambrelle");
}

TEST(ShowOptions, UsageNamesTheProgramAndEveryOption) {
    const std::string usage = showUsage("ambrellew");
    EXPECT_EQ(usage.compare(0, 27, "usage: ambrellew [options]\n"), 0) << usage;
    for (const char* option : {"--window", "--fullscreen", "--size", "--data", "--no-sound", "--help", "--version"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(ShowOptions, WindowOptionsWinOverTheProgramName) {
    Restore restore;
    const std::string data = tempDir();
    ASSERT_EQ(mkdir((data + "/data").c_str(), 0755), 0);
    ASSERT_EQ(chdir(data.c_str()), 0);
    std::string error;

    fullScreen = 0;  // as for a name ending in "w"
    ShowOptions o;
    o.fullScreen = 1;
    o.sizeGiven = true;
    o.width = 1024;
    o.height = 768;
    ASSERT_TRUE(applyShowOptions(o, "ambrellew", &error)) << error;
    EXPECT_EQ(fullScreen, 1);
    EXPECT_EQ(firstWindowWidth, 1024);
    EXPECT_EQ(firstWindowHeight, 768);

    // Without options nothing changes.
    fullScreen = 0;
    firstWindowWidth = firstWindowHeight = 0;
    ASSERT_TRUE(applyShowOptions(ShowOptions(), "ambrellew", &error)) << error;
    EXPECT_EQ(fullScreen, 0);
    EXPECT_EQ(firstWindowWidth, 0);
    EXPECT_EQ(firstWindowHeight, 0);
    EXPECT_EQ(currentDir(), data);
    rmdir((data + "/data").c_str());
    rmdir(data.c_str());
}

TEST(DataLocation, AFolderNamedDataIsUsedFromItsParent) {
    Restore restore;
    const std::string root = tempDir();
    ASSERT_EQ(mkdir((root + "/data").c_str(), 0755), 0);
    std::string error;
    for (const std::string& given : {root + "/data", root + "/data/", root + "//data//"}) {
        ASSERT_EQ(chdir("/"), 0);
        ASSERT_TRUE(useDataFolder(given, &error)) << error;
        EXPECT_EQ(currentDir(), root) << given;
    }
    // A relative path, from its own parent.
    ASSERT_EQ(chdir(root.c_str()), 0);
    ASSERT_TRUE(useDataFolder("data", &error)) << error;
    EXPECT_EQ(currentDir(), root);
    releaseDataLink();  // nothing was linked
    EXPECT_TRUE(isFolder(root + "/data"));
    rmdir((root + "/data").c_str());
    rmdir(root.c_str());
}

TEST(DataLocation, AnyOtherNameIsReachedThroughATemporaryLink) {
    Restore restore;
    const std::string root = tempDir(), tmp = tempDir();
    ASSERT_EQ(mkdir((root + "/pictures").c_str(), 0755), 0);
    FILE* f = fopen((root + "/pictures/font.png").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    const char* oldTmp = getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    std::string error;
    const bool ok = useDataFolder(root + "/pictures", &error);
    if (oldTmp)
        setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    ASSERT_TRUE(ok) << error;
    const std::string linkFolder = currentDir();
    EXPECT_EQ(linkFolder.compare(0, tmp.size() + 15, tmp + "/ambrelle-data-"), 0) << linkFolder;
    EXPECT_EQ(access("data/font.png", F_OK), 0);
    releaseDataLink();
    EXPECT_FALSE(isFolder(linkFolder));
    EXPECT_EQ(rmdir(tmp.c_str()), 0);  // nothing left behind
    unlink((root + "/pictures/font.png").c_str());
    rmdir((root + "/pictures").c_str());
    rmdir(root.c_str());
}

TEST(DataLocation, MissingFoldersAndFilesAreRefused) {
    Restore restore;
    std::string error;
    EXPECT_FALSE(useDataFolder("/nonexistent-ambrelle-dir/data", &error));
    EXPECT_EQ(error, "--data: there is no folder '/nonexistent-ambrelle-dir/data'");
    EXPECT_FALSE(useDataFolder("/dev/null", &error));
    EXPECT_EQ(error, "--data: '/dev/null' is not a folder");
    EXPECT_EQ(currentDir(), restore.cwd);
}

TEST(DataLocation, InstalledDataSitsBesideTheProgramsFolder) {
    EXPECT_STREQ(dataParentFromBin(), "../share/ambrelle");
    const std::string prefix = tempDir();
    ASSERT_EQ(mkdir((prefix + "/bin").c_str(), 0755), 0);
    EXPECT_EQ(installedDataParent(prefix + "/bin"), "");  // nothing installed yet
    ASSERT_EQ(mkdir((prefix + "/share").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((prefix + "/share/ambrelle").c_str(), 0755), 0);
    EXPECT_EQ(installedDataParent(prefix + "/bin"), "");  // no data/ in it
    ASSERT_EQ(mkdir((prefix + "/share/ambrelle/data").c_str(), 0755), 0);
    EXPECT_EQ(installedDataParent(prefix + "/bin"), prefix + "/bin/../share/ambrelle");
    EXPECT_EQ(installedDataParent(""), "");
    // The test program itself lives in the build tree, with no share/ beside it.
    EXPECT_NE(programFolder(), "");
    EXPECT_TRUE(isFolder(programFolder()));
    for (const char* d : {"/share/ambrelle/data", "/share/ambrelle", "/share", "/bin", ""}) rmdir((prefix + d).c_str());
}
