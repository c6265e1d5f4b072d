// The offline renderer's command line: frame lists, time spans, sizes and the
// combinations of options, down to the one-line messages for bad input.
#include "capture/capture_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/command_line.h"
#include "main/timeline.h"

namespace {
using Range = FrameSelection::Range;

std::vector<std::pair<uint32_t, uint32_t>> pairs(const FrameSelection& s) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const Range& r : s.ranges()) out.push_back({r.first, r.last});
    return out;
}

std::vector<std::pair<uint32_t, uint32_t>> parsed(const char* list) {
    FrameSelection s;
    std::string error;
    EXPECT_TRUE(s.parseList(list, &error)) << list << ": " << error;
    return pairs(s);
}

std::string listError(const char* list) {
    FrameSelection s;
    std::string error;
    EXPECT_FALSE(s.parseList(list, &error)) << list;
    // A failed parse leaves the previous selection (the whole show).
    EXPECT_EQ(s.firstFrame(), 1u);
    EXPECT_EQ(s.lastFrame(), LAST_SHOW_FRAME);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

using P = std::vector<std::pair<uint32_t, uint32_t>>;
}  // namespace

TEST(FrameSelection, LastFrameIsTheFirstWithTheEndMarker) {
    EXPECT_EQ(LAST_SHOW_FRAME, 7576u);
    EXPECT_EQ(scheduleMask(FRAME_PERIOD_MS * LAST_SHOW_FRAME, 0), MASK_END);
    EXPECT_NE(scheduleMask(FRAME_PERIOD_MS * (LAST_SHOW_FRAME - 1), 0), MASK_END);
}

TEST(FrameSelection, DefaultIsTheWholeShow) {
    FrameSelection s;
    EXPECT_EQ(pairs(s), (P{{1, 7576}}));
    EXPECT_EQ(s.count(), 7576u);
    EXPECT_TRUE(s.isContiguous());
    EXPECT_FALSE(s.contains(0));
    EXPECT_TRUE(s.contains(1));
    EXPECT_TRUE(s.contains(7576));
    EXPECT_FALSE(s.contains(7577));
}

TEST(FrameSelection, ListsOfNumbersAndRanges) {
    FrameSelection s;
    std::string error;
    ASSERT_TRUE(s.parseList("1,95,200-210", &error)) << error;
    EXPECT_EQ(pairs(s), (P{{1, 1}, {95, 95}, {200, 210}}));
    EXPECT_EQ(s.count(), 13u);
    EXPECT_FALSE(s.isContiguous());
    EXPECT_EQ(s.firstFrame(), 1u);
    EXPECT_EQ(s.lastFrame(), 210u);
    for (uint32_t k : {1u, 95u, 200u, 205u, 210u}) EXPECT_TRUE(s.contains(k)) << k;
    for (uint32_t k : {0u, 2u, 94u, 96u, 199u, 211u, 7576u}) EXPECT_FALSE(s.contains(k)) << k;

    // Any order; overlapping, repeated and adjacent items merge.
    EXPECT_EQ(parsed("5-10,1-3,4,8-12,12"), (P{{1, 12}}));
    EXPECT_EQ(parsed("1-3,4-6"), (P{{1, 6}}));
    EXPECT_EQ(parsed("7,7,7"), (P{{7, 7}}));
    EXPECT_EQ(parsed("300,100-200,1"), (P{{1, 1}, {100, 200}, {300, 300}}));
    EXPECT_EQ(parsed("1-7576"), (P{{1, 7576}}));
    EXPECT_EQ(parsed("7576"), (P{{7576, 7576}}));
    EXPECT_EQ(parsed("42-42"), (P{{42, 42}}));
    EXPECT_EQ(parsed("007"), (P{{7, 7}}));
}

TEST(FrameSelection, BadListsAreRefusedWithTheirReason) {
    EXPECT_NE(listError("").find("empty"), std::string::npos);
    EXPECT_NE(listError(",").find("empty item"), std::string::npos);
    EXPECT_NE(listError("1,").find("empty item"), std::string::npos);
    EXPECT_NE(listError(",1").find("empty item"), std::string::npos);
    EXPECT_NE(listError("1,,2").find("empty item"), std::string::npos);
    EXPECT_NE(listError("0").find("start at 1"), std::string::npos);
    EXPECT_NE(listError("0-5").find("start at 1"), std::string::npos);
    EXPECT_NE(listError("7577").find("after the end of the show (last frame 7576)"), std::string::npos);
    EXPECT_NE(listError("1-7577").find("7577"), std::string::npos);
    EXPECT_NE(listError("99999999999999999999").find("after the end"), std::string::npos);
    EXPECT_NE(listError("5-3").find("'5-3' ends before it starts"), std::string::npos);
    for (const char* bad : {"-", "-5", "5-", "1-2-3", "a", "1a", " 1", "1 ", "+1", "1.5", "1;2", "0x10", "--3"})
        EXPECT_NE(listError(bad).find("--frames:"), std::string::npos) << bad;
}

TEST(FrameSelection, TimeSpansSelectFramesWhoseTimeLiesInside) {
    FrameSelection s;
    std::string error;
    ASSERT_TRUE(s.setTimeSpan(0, 10000, &error)) << error;
    EXPECT_EQ(pairs(s), (P{{1, 303}}));  // 33 .. 9999 ms
    ASSERT_TRUE(s.setTimeSpan(33, 33, &error));
    EXPECT_EQ(pairs(s), (P{{1, 1}}));
    ASSERT_TRUE(s.setTimeSpan(65, 66, &error));
    EXPECT_EQ(pairs(s), (P{{2, 2}}));
    ASSERT_TRUE(s.setTimeSpan(100000, 110000, &error));
    EXPECT_EQ(pairs(s), (P{{3031, 3333}}));  // 100023 .. 109989 ms
    // The end: 7575 is at 249975 ms, 7576 (the end marker) at 250008 ms.
    ASSERT_TRUE(s.setTimeSpan(249975, UINT32_MAX, &error));
    EXPECT_EQ(pairs(s), (P{{7575, 7576}}));
    ASSERT_TRUE(s.setTimeSpan(250000, 250008, &error));
    EXPECT_EQ(pairs(s), (P{{7576, 7576}}));

    EXPECT_FALSE(s.setTimeSpan(34, 65, &error));  // between frames 1 and 2
    EXPECT_NE(error.find("no frame"), std::string::npos);
    EXPECT_FALSE(s.setTimeSpan(0, 32, &error));
    EXPECT_FALSE(s.setTimeSpan(250009, UINT32_MAX, &error));
    EXPECT_FALSE(s.setTimeSpan(5000, 4000, &error));
    EXPECT_NE(error.find("--from 5000 is after --to 4000"), std::string::npos);
    // Failures leave the last good selection.
    EXPECT_EQ(pairs(s), (P{{7576, 7576}}));
}

TEST(FrameSelection, DecimalParsing) {
    uint64_t v = 0;
    auto parse = [&v](const std::string& s, uint64_t max) {
        return parseDecimal(s.data(), s.data() + s.size(), max, &v);
    };
    EXPECT_TRUE(parse("4294967295", UINT32_MAX));
    EXPECT_EQ(v, 4294967295u);
    EXPECT_FALSE(parse("4294967296", UINT32_MAX));
    EXPECT_TRUE(parse("18446744073709551615", UINT64_MAX));
    EXPECT_EQ(v, UINT64_MAX);
    EXPECT_FALSE(parse("18446744073709551616", UINT64_MAX));
    EXPECT_TRUE(parse("0", 0));
    EXPECT_FALSE(parse("", UINT32_MAX));
    EXPECT_FALSE(parse("-1", UINT32_MAX));
    EXPECT_FALSE(parse("1e3", UINT32_MAX));
}

namespace {
struct Parsed {
    ParseOutcome outcome;
    CaptureOptions options;
    std::string error;
};

Parsed parseArgs(std::vector<const char*> args) {
    args.insert(args.begin(), "ambrelle-capture");
    Parsed p;
    p.outcome = parseCaptureOptions(static_cast<int>(args.size()), args.data(), &p.options, &p.error);
    return p;
}

// The message of a refused command line: one line, status "Error".
std::string refused(std::vector<const char*> args) {
    const Parsed p = parseArgs(args);
    EXPECT_EQ(p.outcome, ParseOutcome::Error);
    EXPECT_FALSE(p.error.empty());
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
    return p.error;
}
}  // namespace

TEST(CaptureOptions, OutputsAndDefaults) {
    Parsed p = parseArgs({"--hash"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_TRUE(p.options.hash);
    EXPECT_EQ(p.options.frames.count(), 7576u);
    EXPECT_EQ(p.options.pngWidth(), 320);
    EXPECT_EQ(p.options.pngHeight(), 240);
    EXPECT_EQ(p.options.videoWidth(), 640);
    EXPECT_EQ(p.options.videoHeight(), 480);

    p = parseArgs({"--raw", "r", "--png", "p", "--video", "v.mkv", "--lossless", "--size", "1000x500", "--from",
                   "233101", "--to", "236500", "-C", "build", "--hash"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_EQ(p.options.rawDir, "r");
    EXPECT_EQ(p.options.pngDir, "p");
    EXPECT_EQ(p.options.videoPath, "v.mkv");
    EXPECT_TRUE(p.options.lossless);
    EXPECT_EQ(p.options.directory, "build");
    EXPECT_EQ(p.options.pngWidth(), 1000);
    EXPECT_EQ(p.options.videoHeight(), 500);
    EXPECT_EQ(pairs(p.options.frames), (P{{7064, 7166}}));

    // "--name=value" is the same as "--name value".
    p = parseArgs({"--frames=1-3,9", "--png=out"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_EQ(pairs(p.options.frames), (P{{1, 3}, {9, 9}}));
    EXPECT_EQ(p.options.pngDir, "out");

    p = parseArgs({"--bench"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_TRUE(p.options.bench);

    // Only one end of the span: the other is the show's start or end.
    p = parseArgs({"--hash", "--from", "249975"});
    EXPECT_EQ(pairs(p.options.frames), (P{{7575, 7576}}));
    p = parseArgs({"--hash", "--to", "100"});
    EXPECT_EQ(pairs(p.options.frames), (P{{1, 3}}));
}

TEST(CaptureOptions, Help) {
    EXPECT_EQ(parseArgs({"--help"}).outcome, ParseOutcome::Help);
    EXPECT_EQ(parseArgs({"-h"}).outcome, ParseOutcome::Help);
    EXPECT_EQ(parseArgs({"--hash", "--help"}).outcome, ParseOutcome::Help);
    // The text documents every option.
    const std::string usage = captureUsage();
    for (const char* option : {"--frames", "--from", "--to", "--hash", "--raw", "--png", "--size", "--video",
                               "--lossless", "--bench", "-C", "--help"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(CaptureOptions, SizesMustBeEvenWindowSizes) {
    Parsed p = parseArgs({"--png", "p", "--size", "2x8192"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_EQ(p.options.width, 2);
    EXPECT_EQ(p.options.height, 8192);
    for (const char* bad :
         {"641x480", "640x481", "0x480", "640x0", "8194x480", "640x8194", "99999999999x2", "2x99999999999999999999999"})
        EXPECT_NE(refused({"--png", "p", "--size", bad}).find("even numbers from 2 to 8192"), std::string::npos) << bad;
    for (const char* bad : {"640", "640x", "x480", "640X480", "640x480x2", "-640x480", " 640x480", "640*480"})
        EXPECT_NE(refused({"--png", "p", "--size", bad}).find("expected WIDTHxHEIGHT"), std::string::npos) << bad;
}

TEST(CaptureOptions, BadCommandLinesNameTheProblem) {
    EXPECT_NE(refused({}).find("nothing to do"), std::string::npos);
    EXPECT_EQ(refused({"--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(refused({"-x"}), "unknown option '-x'");
    EXPECT_EQ(refused({"--hash", "frames.txt"}), "unexpected argument 'frames.txt'");
    EXPECT_EQ(refused({"--hash", "--frames"}), "--frames needs a value");
    EXPECT_EQ(refused({"--hash", "-C"}), "-C needs a value");
    EXPECT_EQ(refused({"--hash", "--hash"}), "--hash given twice");
    EXPECT_EQ(refused({"--hash", "--frames", "1", "--frames", "2"}), "--frames given twice");
    EXPECT_EQ(refused({"--hash=yes"}), "--hash takes no value");
    EXPECT_EQ(refused({"--png="}), "--png: the value is empty");
    EXPECT_EQ(refused({"--hash", "--frames", "1", "--from", "5"}), "--frames cannot be combined with --from or --to");
    EXPECT_EQ(refused({"--hash", "--to", "5", "--frames", "1"}), "--frames cannot be combined with --from or --to");
    EXPECT_NE(refused({"--hash", "--from", "ten"}).find("--from: 'ten' is not a time"), std::string::npos);
    EXPECT_NE(refused({"--hash", "--to", "4294967296"}).find("--to:"), std::string::npos);
    EXPECT_NE(refused({"--hash", "--from", "9", "--to", "8"}).find("after --to"), std::string::npos);
    EXPECT_NE(refused({"--hash", "--frames", "0"}).find("--frames:"), std::string::npos);
    EXPECT_NE(refused({"--bench", "--hash"}).find("--bench"), std::string::npos);
    EXPECT_NE(refused({"--bench", "--frames", "5"}).find("--bench"), std::string::npos);
    EXPECT_NE(refused({"--bench", "--to", "5000"}).find("--bench"), std::string::npos);
    EXPECT_EQ(refused({"--hash", "--lossless"}), "--lossless needs --video");
    EXPECT_EQ(refused({"--hash", "--size", "640x480"}), "--size needs --png or --video");
    EXPECT_NE(refused({"--video", "v.mp4", "--frames", "1-3,5"}).find("unbroken span"), std::string::npos);
    // A list that merges into one span is fine for a video.
    EXPECT_EQ(parseArgs({"--video", "v.mp4", "--frames", "1-3,4"}).outcome, ParseOutcome::Run);
}

TEST(CaptureOptions, VersionAndForce) {
    EXPECT_EQ(parseArgs({"--version"}).outcome, ParseOutcome::Version);
    EXPECT_EQ(parseArgs({"--hash", "--version"}).outcome, ParseOutcome::Version);
    EXPECT_EQ(parseArgs({"--version", "--help"}).outcome, ParseOutcome::Help);
    Parsed p = parseArgs({"--png", "p", "--force"});
    ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
    EXPECT_TRUE(p.options.force);
    EXPECT_FALSE(parseArgs({"--png", "p"}).options.force);
    EXPECT_EQ(refused({"--png", "p", "--force", "--force"}), "--force given twice");
}

TEST(CaptureOptions, TheVideoFormatComesFromTheExtension) {
    const struct {
        const char* path;
        VideoFormat format;
    } known[] = {{"show.mp4", VideoFormat::Mp4},   {"a/b.c/show.MKV", VideoFormat::Mkv},
                 {"show.webm", VideoFormat::Webm}, {"/tmp/x.Mov", VideoFormat::Mov},
                 {".mkv", VideoFormat::Mkv},       {"show.tar.mp4", VideoFormat::Mp4}};
    for (const auto& k : known) {
        VideoFormat f = VideoFormat::Mp4;
        EXPECT_TRUE(videoFormatFor(k.path, &f)) << k.path;
        EXPECT_EQ(f, k.format) << k.path;
        const Parsed p = parseArgs({"--video", k.path});
        ASSERT_EQ(p.outcome, ParseOutcome::Run) << p.error;
        EXPECT_EQ(p.options.videoFormat, k.format) << k.path;
    }
    for (const char* unknown : {"x.avi", "y.webm.part", "show", "dir.mkv/show", "show.", "show.mp", "show.mp44"}) {
        VideoFormat f = VideoFormat::Mp4;
        EXPECT_FALSE(videoFormatFor(unknown, &f)) << unknown;
        EXPECT_EQ(refused({"--video", unknown}), std::string("--video: cannot tell the format of '") + unknown +
                                                     "': name the file .mp4, .mkv, .webm or .mov");
    }
    EXPECT_EQ(parseArgs({"--video", "v.mkv", "--lossless"}).outcome, ParseOutcome::Run);
    for (const char* notMatroska : {"v.mp4", "v.webm", "v.mov"})
        EXPECT_EQ(refused({"--video", notMatroska, "--lossless"}),
                  std::string("--lossless writes FFV1 + FLAC, which needs a .mkv file, not '") + notMatroska + "'");
    EXPECT_STREQ(videoFormatName(VideoFormat::Mp4, false), "H.264 + AAC in MP4");
    EXPECT_STREQ(videoFormatName(VideoFormat::Mov, false), "H.264 + AAC in QuickTime");
    EXPECT_STREQ(videoFormatName(VideoFormat::Mkv, false), "H.264 + AAC in Matroska");
    EXPECT_STREQ(videoFormatName(VideoFormat::Mkv, true), "FFV1 + FLAC in Matroska");
    EXPECT_STREQ(videoFormatName(VideoFormat::Webm, false), "VP9 + Opus in WebM");
}
