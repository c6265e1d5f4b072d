// Command-line parsing for ambrelle-capture: every value is checked here so
// that a bad option fails at once, before the show is loaded.
#include "capture/capture_options.h"

#include <cstring>

#include "main/command_line.h"

namespace {
const OptionSpec OPTIONS[] = {
    {"--frames", OptionTakes::Value},  {"--from", OptionTakes::Value},      {"--to", OptionTakes::Value},
    {"--hash", OptionTakes::Nothing},  {"--raw", OptionTakes::Value},       {"--png", OptionTakes::Value},
    {"--size", OptionTakes::Value},    {"--video", OptionTakes::Value},     {"--lossless", OptionTakes::Nothing},
    {"--bench", OptionTakes::Nothing}, {"-C", OptionTakes::Value},          {"--help", OptionTakes::Nothing},
    {"-h", OptionTakes::Nothing},      {"--version", OptionTakes::Nothing}, {"--force", OptionTakes::Nothing},
};

bool parseMs(const std::string& option, const std::string& value, uint64_t* out, std::string* error) {
    if (!parseDecimal(value.data(), value.data() + value.size(), UINT32_MAX, out)) {
        *error = option + ": '" + value + "' is not a time in milliseconds (0 to 4294967295)";
        return false;
    }
    return true;
}

}  // namespace

bool videoFormatFor(const std::string& path, VideoFormat* format) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const struct {
        const char* extension;
        VideoFormat format;
    } known[] = {
        {"mp4", VideoFormat::Mp4}, {"mov", VideoFormat::Mov}, {"mkv", VideoFormat::Mkv}, {"webm", VideoFormat::Webm}};
    for (const auto& k : known) {
        if (extension == k.extension) {
            *format = k.format;
            return true;
        }
    }
    return false;
}

const char* videoFormatName(VideoFormat format, bool lossless) {
    switch (format) {
        case VideoFormat::Mp4:
            return "H.264 + AAC in MP4";
        case VideoFormat::Mov:
            return "H.264 + AAC in QuickTime";
        case VideoFormat::Mkv:
            return lossless ? "FFV1 + FLAC in Matroska" : "H.264 + AAC in Matroska";
        case VideoFormat::Webm:
            return "VP9 + Opus in WebM";
    }
    return "";
}

ParseOutcome parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* o, std::string* error) {
    std::string framesList, fromValue, toValue, sizeValue;
    bool help = false, version = false;
    std::vector<OptionRead> read;
    if (!readOptions(argc, argv, OPTIONS, &read, error)) return ParseOutcome::Error;
    for (const OptionRead& option : read) {
        const std::string& arg = option.name;
        const std::string& value = option.value;
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
        else if (arg == "--version")
            version = true;
        else if (arg == "--force")
            o->force = true;
    }
    if (help) return ParseOutcome::Help;
    if (version) return ParseOutcome::Version;

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
        if (!parseWindowSize("--size", sizeValue, &o->width, &o->height, error)) return ParseOutcome::Error;
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
    if (!o->videoPath.empty()) {
        if (!videoFormatFor(o->videoPath, &o->videoFormat)) {
            *error =
                "--video: cannot tell the format of '" + o->videoPath + "': name the file .mp4, .mkv, .webm or .mov";
            return ParseOutcome::Error;
        }
        if (o->lossless && o->videoFormat != VideoFormat::Mkv) {
            *error = "--lossless writes FFV1 + FLAC, which needs a .mkv file, not '" + o->videoPath + "'";
            return ParseOutcome::Error;
        }
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
           "                  cut to the same span, 640 x 480 unless --size; the frames must\n"
           "                  be one unbroken span. The extension chooses the format:\n"
           "                  .mp4 and .mov H.264 + AAC, .mkv H.264 + AAC in Matroska,\n"
           "                  .webm VP9 + Opus\n"
           "  --lossless      with a .mkv video: FFV1 + FLAC instead; each decoded pixel\n"
           "                  (r, g, b) gives back RGB565 as r>>3, g>>2, b>>3\n"
           "  --bench         render every frame to the end, write nothing, and print\n"
           "                  'rendered N frames in S s: F fps, R x realtime' (S excludes\n"
           "                  loading; R = 250.008 s / S)\n"
           "\n"
           "Other:\n"
           "  --force         overwrite files that exist (without it they are refused)\n"
           "  -C DIR          change into DIR first; data/ and every other path are then\n"
           "                  relative to DIR. Without -C and without data/ in the working\n"
           "                  directory, an installed tool reads the installed data\n"
           "  -h, --help      show this text\n"
           "  --version       print the program's name and version\n"
           "\n"
           "Output directories are created when missing. A progress bar with the time left\n"
           "is shown on standard error when it is a terminal, and a last line there names\n"
           "each file or folder written, with its size and the span of the show it holds.\n"
           "Exit status: 0 done, 1 missing or broken data, ffmpeg missing or an output that\n"
           "could not be written, 2 bad options.\n";
}
