// VideoPipe: frames streamed into an ffmpeg process that encodes them, with
// the show's music cut to the same span, into a video file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// The video's container, chosen by the file's extension, and what goes in it.
enum class VideoFormat {
    Mp4,   // .mp4: H.264 + AAC
    Mov,   // .mov: H.264 + AAC
    Mkv,   // .mkv: H.264 + AAC, or FFV1 + FLAC when lossless
    Webm,  // .webm: VP9 + Opus
};

struct VideoSettings {
    std::string path;       // the video file to write (overwritten)
    std::string musicPath;  // the sound track, cut to the span
    int width = 640;        // frame size in pixels
    int height = 480;
    VideoFormat format = VideoFormat::Mp4;
    bool lossless = false;    // FFV1 + FLAC (Matroska only) instead of the format's usual codecs
    uint32_t startMs = 0;     // show time of the first frame
    uint32_t durationMs = 0;  // frames x 33
};

class VideoPipe {
   public:
    VideoPipe() = default;
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    // The path of the ffmpeg program found on PATH, or "" if there is none.
    static std::string findFfmpeg();
    // ffmpeg's arguments (argv[0] included) for these settings.
    static std::vector<std::string> ffmpegArguments(const VideoSettings& settings);

    // Starts ffmpeg reading raw frames from a pipe. False (errno set) if it
    // could not be started.
    bool open(const std::string& ffmpeg, const VideoSettings& settings);
    // Sends one width x height RGB565 frame, converted to 8-bit RGB: for
    // lossless video by plain shifts (r << 3, g << 2, b << 3), so the decoded
    // frame shifted back is the exact RGB565; otherwise with the top bits
    // repeated (white stays white). False if ffmpeg stopped reading.
    bool writeFrame(const uint16_t* pixels);
    // Closes the pipe and waits for ffmpeg. Returns its exit status, or -1 if
    // it did not exit normally.
    int finish();

   private:
    pid_t child = -1;
    int fd = -1;
    bool lossless = false;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // one frame of RGB24, sized once in open
};
