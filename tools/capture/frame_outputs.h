// FrameOutputs: everything the offline renderer writes for a selected frame
// (hash line, raw frame, PNG, video), with every buffer sized before the first
// frame so that writing frames allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_options.h"
#include "capture/png_writer.h"
#include "capture/video_pipe.h"
#include "display/present_scaler.h"

class FrameOutputs {
   public:
    explicit FrameOutputs(const CaptureOptions& options);
    FrameOutputs(const FrameOutputs&) = delete;
    FrameOutputs& operator=(const FrameOutputs&) = delete;

    // Creates the output directories and, unless --force, refuses any file
    // that the selected frames would overwrite. False with *error set.
    bool prepare(std::string* error);
    // Starts ffmpeg for --video (after start-up, so a data failure never
    // leaves a half-made video). False with *error set on failure.
    bool startVideo(const std::string& ffmpeg, std::string* error);
    // Writes frame k (drawn at elapsedMs with mask) to every output asked for.
    bool write(uint32_t k, uint32_t elapsedMs, uint32_t mask, const uint16_t* backBuffer, std::string* error);
    // Flushes standard output and waits for ffmpeg.
    bool finish(std::string* error);
    // After finish: one line per output written to files, naming it with its
    // size in bytes and the span of the show it holds, e.g.
    // "wrote show.mkv (FFV1 + FLAC in Matroska, 640x480): 7576 frames,
    // 250.008 s, 1.2 GB".
    std::vector<std::string> summary() const;

   private:
    const CaptureOptions& options;
    std::vector<unsigned char> rawBytes;  // 153600: the frame as little-endian uint16
    std::vector<uint16_t> pngFrame;       // the frame at --size, when scaled
    std::vector<uint16_t> videoFrame;     // the frame at the video size
    // The show's own scaling, its tables built once for each size.
    PresentScaler pngScaler;
    PresentScaler videoScaler;
    std::vector<char> path;  // room for DIR/frame_NNNNNN.ext
    std::unique_ptr<PngWriter> png;
    VideoPipe video;
    bool videoStarted = false;
    uint32_t framesWritten = 0;  // to each file output
    uint64_t rawBytesWritten = 0;
    uint64_t pngBytesWritten = 0;

    const char* framePath(const std::string& dir, uint32_t k, const char* extension);
};

// "999 bytes", "12.3 kB", "4.5 MB", "1.2 GB" (powers of 1000).
std::string byteCount(uint64_t bytes);

// Creates dir and its missing parents (like mkdir -p). False, errno set, on
// failure or when a component exists and is not a directory.
bool makeDirectories(const std::string& dir);
