// Spawning ffmpeg and feeding it raw RGB24 frames through a pipe. Debian's
// ffmpeg does the encoding and the muxing; this side never links a codec.
#include "capture/video_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "capture/png_writer.h"

extern char** environ;

namespace {
std::string seconds(uint32_t ms) {
    char text[32];
    snprintf(text, sizeof text, "%u.%03u", ms / 1000, ms % 1000);
    return text;
}
}  // namespace

VideoPipe::~VideoPipe() {
    if (fd >= 0 || child > 0) finish();
}

std::string VideoPipe::findFfmpeg() {
    const char* path = getenv("PATH");
    if (!path) return "";
    std::string dirs = path;
    size_t start = 0;
    for (;;) {
        const size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

std::vector<std::string> VideoPipe::ffmpegArguments(const VideoSettings& s) {
    const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
    // Only errors reach standard error; the frames come in as they are drawn,
    // 1000/33 per second; the music is cut to the frames' span and padded with
    // silence if it ends early, so sound and picture end together.
    std::vector<std::string> a = {"ffmpeg",      "-hide_banner",
                                  "-nostats",    "-loglevel",
                                  "error",       "-y",
                                  "-f",          "rawvideo",
                                  "-pix_fmt",    "rgb24",
                                  "-video_size", size,
                                  "-framerate",  "1000/33",
                                  "-i",          "pipe:0",
                                  "-ss",         seconds(s.startMs),
                                  "-t",          seconds(s.durationMs),
                                  "-i",          s.musicPath,
                                  "-map",        "0:v:0",
                                  "-map",        "1:a:0",
                                  "-af",         "apad=whole_dur=" + seconds(s.durationMs),
                                  "-t",          seconds(s.durationMs)};
    if (s.lossless) {
        // FFV1 keeps 8-bit RGB exactly in its planar RGB form (bgr0 with the
        // reversible colour transform); every frame is a key frame with CRCs.
        const std::vector<std::string> rest = {"-c:v",     "ffv1", "-level", "3",    "-g", "1",        "-slicecrc", "1",
                                               "-pix_fmt", "bgr0", "-c:a",   "flac", "-f", "matroska", s.path};
        a.insert(a.end(), rest.begin(), rest.end());
        return a;
    }
    // Tagged BT.709 limited range so players show the colours as drawn.
    const std::vector<std::string> colour = {"-vf",
                                             "scale=out_color_matrix=bt709:out_range=tv",
                                             "-pix_fmt",
                                             "yuv420p",
                                             "-colorspace",
                                             "bt709",
                                             "-color_primaries",
                                             "bt709",
                                             "-color_trc",
                                             "bt709",
                                             "-color_range",
                                             "tv"};
    a.insert(a.end(), colour.begin(), colour.end());
    std::vector<std::string> rest;
    if (s.format == VideoFormat::Webm) {
        // Constant quality (no bit rate cap); Opus resamples to 48 kHz.
        rest = {"-c:v", "libvpx-vp9", "-crf", "24",   "-b:v",    "0",    "-deadline", "good", "-cpu-used",
                "4",    "-row-mt",    "1",    "-c:a", "libopus", "-b:a", "160k",      "-f",   "webm"};
    } else {
        rest = {"-c:v", "libx264", "-preset", "medium", "-crf", "16", "-c:a", "aac", "-b:a", "192k"};
        if (s.format == VideoFormat::Mkv) {
            rest.insert(rest.end(), {"-f", "matroska"});
        } else {
            rest.insert(rest.end(), {"-video_track_timescale", "1000", "-movflags", "+faststart", "-f",
                                     s.format == VideoFormat::Mov ? "mov" : "mp4"});
        }
    }
    rest.push_back(s.path);
    a.insert(a.end(), rest.begin(), rest.end());
    return a;
}

bool VideoPipe::open(const std::string& ffmpeg, const VideoSettings& s) {
    lossless = s.lossless;
    width = s.width;
    height = s.height;
    rgb.assign(static_cast<size_t>(width) * height * 3, 0);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end becomes ffmpeg's standard input; dup2 clears close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);

    const std::vector<std::string> args = ffmpegArguments(s);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (error != 0) {
        close(fds[1]);
        errno = error;
        return false;
    }
    child = pid;
    fd = fds[1];
    return true;
}

bool VideoPipe::writeFrame(const uint16_t* pixels) {
    if (fd < 0) return false;
    const size_t count = static_cast<size_t>(width) * height;
    unsigned char* out = rgb.data();
    if (lossless) {
        for (size_t i = 0; i < count; i++, out += 3) {
            const uint16_t p = pixels[i];
            out[0] = static_cast<unsigned char>((p >> 11) << 3);
            out[1] = static_cast<unsigned char>(((p >> 5) & 0x3F) << 2);
            out[2] = static_cast<unsigned char>((p & 0x1F) << 3);
        }
    } else {
        for (size_t i = 0; i < count; i++, out += 3) expand565(pixels[i], out);
    }
    const unsigned char* data = rgb.data();
    size_t left = rgb.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

int VideoPipe::finish() {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
    if (child <= 0) return -1;
    int status = 0;
    pid_t r;
    do r = waitpid(child, &status, 0);
    while (r < 0 && errno == EINTR);
    child = -1;
    if (r < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
