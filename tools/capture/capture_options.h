// CaptureOptions: the offline renderer's command line, parsed and checked
// before anything is loaded.
#pragma once

#include <cstdint>
#include <string>

#include "capture/frame_selection.h"
#include "capture/video_pipe.h"
#include "main/show_options.h"

// Window sizes accepted by --size: even, like every window the show opens.
constexpr int CAPTURE_MAX_SIZE = WINDOW_MAX_SIZE;

// The format for a file name's extension (any case); false for any other.
bool videoFormatFor(const std::string& path, VideoFormat* format);
// "H.264 + AAC in MP4" and the like.
const char* videoFormatName(VideoFormat format, bool lossless);

struct CaptureOptions {
    FrameSelection frames;  // every frame unless --frames or --from/--to
    bool hash = false;
    std::string rawDir;     // empty: no raw frames
    std::string pngDir;     // empty: no PNG frames
    std::string videoPath;  // empty: no video
    VideoFormat videoFormat = VideoFormat::Mp4;
    bool lossless = false;
    bool bench = false;
    bool force = false;     // overwrite existing files
    std::string directory;  // -C: changed into before anything else
    bool sizeGiven = false;
    int width = 0;  // --size, when given
    int height = 0;

    int pngWidth() const { return sizeGiven ? width : 320; }
    int pngHeight() const { return sizeGiven ? height : 240; }
    int videoWidth() const { return sizeGiven ? width : 640; }
    int videoHeight() const { return sizeGiven ? height : 480; }
};

enum class ParseOutcome {
    Run,      // options are complete and consistent
    Help,     // --help was asked for
    Version,  // --version was asked for
    Error,    // *error names the problem in one line
};

// Parses argv[1 .. argc-1]. Long options take their value as the next argument
// or after "=" (--frames=1-3).
ParseOutcome parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error);

// The --help text.
const char* captureUsage();
