// Command-line parsing for ambrelle-capture: every value is checked here so
// that a bad option fails at once, before the show is loaded.
#include "capture/capture_options.h"

#include <cstring>

namespace {
enum class Takes { Nothing, Value };

struct OptionSpec {
    const char* name;
    Takes takes;
};

const OptionSpec OPTIONS[] = {
    {"--frames", Takes::Value},     {"--from", Takes::Value},    {"--to", Takes::Value},   {"--hash", Takes::Nothing},
    {"--raw", Takes::Value},        {"--png", Takes::Value},     {"--size", Takes::Value}, {"--video", Takes::Value},
    {"--lossless", Takes::Nothing}, {"--bench", Takes::Nothing}, {"-C", Takes::Value},     {"--help", Takes::Nothing},
    {"-h", Takes::Nothing},
};

const OptionSpec* findOption(const std::string& name) {
    for (const OptionSpec& o : OPTIONS)
        if (name == o.name) return &o;
    return nullptr;
}

bool parseMs(const std::string& option, const std::string& value, uint64_t* out, std::string* error) {
    if (!parseDecimal(value.data(), value.data() + value.size(), UINT32_MAX, out)) {
        *error = option + ": '" + value + "' is not a time in milliseconds (0 to 4294967295)";
        return false;
    }
    return true;
}

// A window dimension: digits only; numbers too large for 64 bits count as
// too large rather than as malformed.
bool parseDimension(const char* begin, const char* end, uint64_t* out) {
    if (begin == end) return false;
    for (const char* p = begin; p < end; p++)
        if (*p < '0' || *p > '9') return false;
    if (!parseDecimal(begin, end, UINT64_MAX, out)) *out = UINT64_MAX;
    return true;
}

bool parseSize(const std::string& value, int* width, int* height, std::string* error) {
    const size_t x = value.find('x');
    uint64_t w = 0, h = 0;
    if (x == std::string::npos || !parseDimension(value.data(), value.data() + x, &w) ||
        !parseDimension(value.data() + x + 1, value.data() + value.size(), &h)) {
        *error = "--size: expected WIDTHxHEIGHT such as 640x480, got '" + value + "'";
        return false;
    }
    if (w < 2 || h < 2 || w > CAPTURE_MAX_SIZE || h > CAPTURE_MAX_SIZE || w % 2 || h % 2) {
        *error = "--size: width and height must be even numbers from 2 to " + std::to_string(CAPTURE_MAX_SIZE) +
                 ", got '" + value + "'";
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}
}  // namespace

ParseOutcome parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* o, std::string* error) {
    bool seen[sizeof(OPTIONS) / sizeof(OPTIONS[0])] = {};
    std::string framesList, fromValue, toValue, sizeValue;
    bool help = false;

    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        }
        const OptionSpec* spec = findOption(arg);
        if (!spec) {
            *error =
                arg.empty() || arg[0] != '-' ? "unexpected argument '" + arg + "'" : "unknown option '" + arg + "'";
            return ParseOutcome::Error;
        }
        const size_t index = static_cast<size_t>(spec - OPTIONS);
        if (seen[index]) {
            *error = arg + " given twice";
            return ParseOutcome::Error;
        }
        seen[index] = true;
        if (spec->takes == Takes::Nothing) {
            if (inlineValue) {
                *error = arg + " takes no value";
                return ParseOutcome::Error;
            }
        } else if (!inlineValue) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return ParseOutcome::Error;
            }
            value = argv[++i];
        }
        if (spec->takes == Takes::Value && value.empty()) {
            *error = arg + ": the value is empty";
            return ParseOutcome::Error;
        }

        if (arg == "--frames")
            framesList = value;
        else if (arg == "--from")
            fromValue = value;
        else if (arg == "--to")
            toValue = value;
        else if (arg == "--hash")
            o->hash = true;
        else if (arg == "--raw")
            o->rawDir = value;
        else if (arg == "--png")
            o->pngDir = value;
        else if (arg == "--size")
            sizeValue = value;
        else if (arg == "--video")
            o->videoPath = value;
        else if (arg == "--lossless")
            o->lossless = true;
        else if (arg == "--bench")
            o->bench = true;
        else if (arg == "-C")
            o->directory = value;
        else if (arg == "--help" || arg == "-h")
            help = true;
    }
    if (help) return ParseOutcome::Help;

    const bool timeSpan = !fromValue.empty() || !toValue.empty();
    if (!framesList.empty() && timeSpan) {
        *error = "--frames cannot be combined with --from or --to";
        return ParseOutcome::Error;
    }
    if (!framesList.empty() && !o->frames.parseList(framesList.c_str(), error)) return ParseOutcome::Error;
    if (timeSpan) {
        uint64_t from = 0, to = UINT32_MAX;
        if (!fromValue.empty() && !parseMs("--from", fromValue, &from, error)) return ParseOutcome::Error;
        if (!toValue.empty() && !parseMs("--to", toValue, &to, error)) return ParseOutcome::Error;
        if (!o->frames.setTimeSpan(from, to, error)) return ParseOutcome::Error;
    }
    if (!sizeValue.empty()) {
        if (!parseSize(sizeValue, &o->width, &o->height, error)) return ParseOutcome::Error;
        o->sizeGiven = true;
    }

    const bool anyOutput = o->hash || !o->rawDir.empty() || !o->pngDir.empty() || !o->videoPath.empty();
    if (o->bench && (anyOutput || !framesList.empty() || timeSpan)) {
        *error = "--bench renders the whole show and writes nothing: it takes no frame selection or output";
        return ParseOutcome::Error;
    }
    if (!anyOutput && !o->bench) {
        *error = "nothing to do: give --hash, --raw, --png, --video or --bench";
        return ParseOutcome::Error;
    }
    if (o->lossless && o->videoPath.empty()) {
        *error = "--lossless needs --video";
        return ParseOutcome::Error;
    }
    if (o->sizeGiven && o->pngDir.empty() && o->videoPath.empty()) {
        *error = "--size needs --png or --video";
        return ParseOutcome::Error;
    }
    if (!o->videoPath.empty() && !o->frames.isContiguous()) {
        *error = "--video needs one unbroken span of frames (a single range, or --from/--to)";
        return ParseOutcome::Error;
    }
    return ParseOutcome::Run;
}

const char* captureUsage() {
    return "usage: ambrelle-capture [options]\n"
           "Renders the show without a display or sound card, frame by frame exactly as a\n"
           "perfectly paced live show draws it: frame k is drawn at 33 x k ms, k = 1..7576\n"
           "(frame 7576 carries the end marker). Every frame before a selected one is still\n"
           "drawn, so the selected frames are exactly the live show's.\n"
           "\n"
           "Frame selection (default: every frame of the show):\n"
           "  --frames LIST   frame numbers and inclusive ranges, e.g. 1,95,200-210\n"
           "  --from MS       first elapsed time in ms (inclusive; default 0)\n"
           "  --to MS         last elapsed time in ms (inclusive; default the end)\n"
           "\n"
           "Outputs (any combination; at least one, or --bench):\n"
           "  --hash          print 'K elapsedMs maskHex hashHex' per selected frame on\n"
           "                  standard output: the scene mask as 8 hex digits, then the\n"
           "                  FNV-1a 64 hash of the back buffer (153600 bytes,\n"
           "                  little-endian RGB565) as 16 hex digits\n"
           "  --raw DIR       write DIR/frame_NNNNNN.rgb565, the back buffer's 153600 bytes\n"
           "  --png DIR       write DIR/frame_NNNNNN.png, 320 x 240, or scaled to --size\n"
           "                  exactly as the show scales into a window of that size\n"
           "  --size WxH      window size for --png and --video (even numbers up to 8192;\n"
           "                  the picture keeps 4:3 with black borders)\n"
           "  --video FILE    pipe the frames into ffmpeg at 1000/33 fps with data/warmer.ogg\n"
           "                  cut to the same span: H.264 + AAC in MP4, 640 x 480 unless\n"
           "                  --size; the frames must be one unbroken span\n"
           "  --lossless      with --video: FFV1 + FLAC in Matroska instead; each decoded\n"
           "                  pixel (r, g, b) gives back RGB565 as r>>3, g>>2, b>>3\n"
           "  --bench         render every frame to the end, write nothing, and print\n"
           "                  'rendered N frames in S s: F fps, R x realtime' (S excludes\n"
           "                  loading; R = 250.008 s / S)\n"
           "\n"
           "Other:\n"
           "  -C DIR          change into DIR first; data/ and every other path are then\n"
           "                  relative to DIR\n"
           "  -h, --help      show this text\n"
           "\n"
           "Output directories are created when missing. A progress bar with the time left\n"
           "is shown on standard error when it is a terminal.\n"
           "Exit status: 0 done, 1 missing or broken data, ffmpeg missing or an output that\n"
           "could not be written, 2 bad options.\n";
}
