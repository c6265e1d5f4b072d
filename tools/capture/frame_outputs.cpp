// Writing selected frames: hash lines on standard output, raw and PNG files
// through plain descriptors, and the video pipe.
#include "capture/frame_outputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "gfx/frame_hash.h"
#include "gfx/pixel.h"

bool makeDirectories(const std::string& dir) {
    if (dir.empty()) {
        errno = ENOENT;
        return false;
    }
    for (size_t end = 1; end <= dir.size(); end++) {
        if (end < dir.size() && dir[end] != '/') continue;
        const std::string part = dir.substr(0, end);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

namespace {
bool writeFile(const char* path, const unsigned char* data, size_t size) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
        } else {
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    errno = error;
    return ok;
}

std::string cannotWrite(const char* what) { return std::string("cannot write ") + what + ": " + strerror(errno); }
}  // namespace

FrameOutputs::FrameOutputs(const CaptureOptions& o) : options(o) {
    const size_t longest = std::max(o.rawDir.size(), o.pngDir.size());
    path.assign(longest + 32, 0);
    if (!o.rawDir.empty()) rawBytes.assign(SCREEN_PIXELS * 2, 0);
    if (!o.pngDir.empty()) {
        png.reset(new PngWriter(o.pngWidth(), o.pngHeight()));
        if (o.sizeGiven) {
            pngFrame.assign(static_cast<size_t>(o.pngWidth()) * o.pngHeight(), 0);
            pngScaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, o.pngWidth(), o.pngHeight());
        }
    }
    if (!o.videoPath.empty()) {
        videoFrame.assign(static_cast<size_t>(o.videoWidth()) * o.videoHeight(), 0);
        videoScaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, o.videoWidth(), o.videoHeight());
    }
}

std::string byteCount(uint64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1000;
    size_t unit = 0;
    while (value >= 999.95 && unit + 1 < sizeof units / sizeof units[0]) {
        value /= 1000;
        unit++;
    }
    char text[32];
    snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

bool FrameOutputs::prepare(std::string* error) {
    const auto exists = [](const char* p) {
        struct stat st;
        return lstat(p, &st) == 0;
    };
    const auto refuse = [error](const std::string& p) {
        *error = p + " exists; give --force to overwrite it";
        return false;
    };
    if (!options.force && !options.videoPath.empty() && exists(options.videoPath.c_str()))
        return refuse(options.videoPath);
    const struct {
        const std::string& dir;
        const char* extension;
    } folders[] = {{options.rawDir, "rgb565"}, {options.pngDir, "png"}};
    for (const auto& f : folders) {
        if (f.dir.empty()) continue;
        if (!makeDirectories(f.dir)) {
            *error = "cannot create directory " + f.dir + ": " + strerror(errno);
            return false;
        }
        if (options.force) continue;
        for (const FrameSelection::Range& r : options.frames.ranges())
            for (uint32_t k = r.first; k <= r.last && k <= LAST_SHOW_FRAME; k++)
                if (exists(framePath(f.dir, k, f.extension))) return refuse(path.data());
    }
    return true;
}

bool FrameOutputs::startVideo(const std::string& ffmpeg, std::string* error) {
    if (options.videoPath.empty()) return true;
    VideoSettings s;
    s.path = options.videoPath;
    s.musicPath = "data/warmer.ogg";
    s.width = options.videoWidth();
    s.height = options.videoHeight();
    s.format = options.videoFormat;
    s.lossless = options.lossless;
    s.startMs = options.frames.firstFrame() * FRAME_PERIOD_MS;
    s.durationMs = options.frames.count() * FRAME_PERIOD_MS;
    if (!video.open(ffmpeg, s)) {
        *error = "cannot start " + ffmpeg + ": " + strerror(errno);
        return false;
    }
    videoStarted = true;
    return true;
}

const char* FrameOutputs::framePath(const std::string& dir, uint32_t k, const char* extension) {
    snprintf(path.data(), path.size(), "%s/frame_%06u.%s", dir.c_str(), k, extension);
    return path.data();
}

bool FrameOutputs::write(uint32_t k, uint32_t elapsedMs, uint32_t mask, const uint16_t* back, std::string* error) {
    if (options.hash) {
        printf("%u %u %08x %016" PRIx64 "\n", k, elapsedMs, mask, frameHash(back));
        if (ferror(stdout)) {
            *error = cannotWrite("standard output");
            return false;
        }
    }
    if (!options.rawDir.empty()) {
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            rawBytes[2 * i] = static_cast<unsigned char>(back[i] & 0xFF);
            rawBytes[2 * i + 1] = static_cast<unsigned char>(back[i] >> 8);
        }
        const char* p = framePath(options.rawDir, k, "rgb565");
        if (!writeFile(p, rawBytes.data(), rawBytes.size())) {
            *error = cannotWrite(p);
            return false;
        }
        rawBytesWritten += rawBytes.size();
    }
    if (png) {
        const uint16_t* pixels = back;
        if (options.sizeGiven) {
            pngScaler.scale(back, pngFrame.data(), options.pngWidth());
            pixels = pngFrame.data();
        }
        const char* p = framePath(options.pngDir, k, "png");
        if (!png->write(p, pixels)) {
            *error = cannotWrite(p);
            return false;
        }
        struct stat st;
        if (stat(p, &st) == 0) pngBytesWritten += static_cast<uint64_t>(st.st_size);
    }
    framesWritten++;
    if (videoStarted) {
        videoScaler.scale(back, videoFrame.data(), options.videoWidth());
        if (!video.writeFrame(videoFrame.data())) {
            *error = "ffmpeg stopped taking frames while writing " + options.videoPath;
            return false;
        }
    }
    return true;
}

bool FrameOutputs::finish(std::string* error) {
    if (fflush(stdout) != 0 || ferror(stdout)) {
        *error = cannotWrite("standard output");
        return false;
    }
    if (videoStarted) {
        videoStarted = false;
        const int status = video.finish();
        if (status != 0) {
            *error = "ffmpeg failed to write " + options.videoPath +
                     (status < 0 ? std::string(" (it did not exit normally)")
                                 : " (exit status " + std::to_string(status) + ")");
            return false;
        }
    }
    return true;
}

std::vector<std::string> FrameOutputs::summary() const {
    const uint32_t ms = framesWritten * FRAME_PERIOD_MS;
    char span[64];
    snprintf(span, sizeof span, "%u frame%s, %u.%03u s", framesWritten, framesWritten == 1 ? "" : "s", ms / 1000,
             ms % 1000);
    std::vector<std::string> lines;
    if (!options.rawDir.empty())
        lines.push_back("wrote raw RGB565 frames (320x240) to " + options.rawDir + "/: " + span + ", " +
                        byteCount(rawBytesWritten));
    if (!options.pngDir.empty())
        lines.push_back("wrote PNG frames (" + std::to_string(options.pngWidth()) + "x" +
                        std::to_string(options.pngHeight()) + ") to " + options.pngDir + "/: " + span + ", " +
                        byteCount(pngBytesWritten));
    if (!options.videoPath.empty()) {
        struct stat st;
        const uint64_t size = stat(options.videoPath.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
        lines.push_back("wrote " + options.videoPath + " (" + videoFormatName(options.videoFormat, options.lossless) +
                        ", " + std::to_string(options.videoWidth()) + "x" + std::to_string(options.videoHeight()) +
                        "): " + span + ", " + byteCount(size));
    }
    return lines;
}
