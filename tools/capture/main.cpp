// ambrelle-capture: the show rendered frame-exactly without a display or sound
// card, to hashes, raw frames, PNG pictures or a video. Start-up is the show's
// own (same loading order, same showRand() calls), minus the window, the audio
// device and the loading screen; frame k is the show's frame step at 33 x k ms.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "capture/capture_options.h"
#include "capture/frame_outputs.h"
#include "capture/progress_bar.h"
#include "capture/video_pipe.h"
#include "display/screen.h"
#include "gfx/text_console.h"
#include "main/data_location.h"
#include "main/show.h"
#include "main/timeline.h"
#include "main/version.h"

namespace {
// The show's length as the renderer draws it: frames 1 .. 7576, 33 ms each.
constexpr double SHOW_SECONDS = LAST_SHOW_FRAME * FRAME_PERIOD_MS / 1000.0;

int fail(const std::string& message) {
    fprintf(stderr, "ambrelle-capture: %s\n", message.c_str());
    return 1;
}

// The show refuses to start without an Ogg stream it can open; ffmpeg would
// otherwise fail later with a message of its own.
bool musicLooksLikeOgg() {
    FILE* f = fopen(MUSIC_PATH, "rb");
    if (!f) return false;
    char magic[4] = {};
    const bool ok = fread(magic, 1, 4, f) == 4 && memcmp(magic, "OggS", 4) == 0;
    fclose(f);
    return ok;
}

bool needsMusic = false;

std::string absolute(const std::string& path, const std::string& base) {
    return path.empty() || path[0] == '/' ? path : base + "/" + path;
}

// Without -C and without data/ here, an installed tool reads the installed
// data; the output paths stay relative to where it was started.
bool findData(CaptureOptions* options) {
    if (!options->directory.empty() || isFolder("data")) return true;
    char here[4096];
    const std::string cwd = getcwd(here, sizeof here) ? here : ".";
    const std::string installed = installedDataParent(programFolder());
    if (installed.empty() || chdir(installed.c_str()) != 0) {
        fprintf(stderr,
                "ambrelle-capture: no data/ folder in %s; run it from the folder that holds data/, or give -C DIR\n",
                cwd.c_str());
        return false;
    }
    options->rawDir = absolute(options->rawDir, cwd);
    options->pngDir = absolute(options->pngDir, cwd);
    options->videoPath = absolute(options->videoPath, cwd);
    return true;
}

// The show refuses to start without its music; a video needs it too.
void checkMusic() {
    if (needsMusic && !musicLooksLikeOgg()) {
        fprintf(stderr, "!ogg\n");
        exit(1);
    }
}
}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    switch (parseCaptureOptions(argc, argv, &options, &error)) {
        case ParseOutcome::Help:
            fputs(captureUsage(), stdout);
            return 0;
        case ParseOutcome::Version:
            fputs(versionLine("ambrelle-capture").c_str(), stdout);
            return 0;
        case ParseOutcome::Error:
            fprintf(stderr, "ambrelle-capture: %s (see --help)\n", error.c_str());
            return 2;
        case ParseOutcome::Run:
            break;
    }
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
        fprintf(stderr, "ambrelle-capture: -C: cannot change into '%s': %s\n", options.directory.c_str(),
                strerror(errno));
        return 2;
    }
    if (!findData(&options)) return 1;

    std::string ffmpeg;
    if (!options.videoPath.empty()) {
        ffmpeg = VideoPipe::findFfmpeg();
        if (ffmpeg.empty())
            return fail("--video needs ffmpeg, which was not found on PATH; install it with: apt-get install ffmpeg");
        // A failed write to ffmpeg is reported as an error, not a silent death.
        signal(SIGPIPE, SIG_IGN);
    }
    FrameOutputs outputs(options);
    if (!outputs.prepare(&error)) return fail(error);

    // Start-up in the show's order; any missing or broken file ends the
    // process here with the show's own message and status 1. The show prints
    // a picture's or a mesh's message on standard output, which is the hash
    // stream here, so while loading standard output goes to standard error.
    Screen* screen = Screen::instance();
    needsMusic = !options.videoPath.empty();
    fflush(stdout);
    const int hashStream = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    StartupHooks hooks;
    hooks.beforeLastStep = checkMusic;
    startShow(hooks);
    fflush(stdout);
    dup2(hashStream, STDOUT_FILENO);
    close(hashStream);

    if (!outputs.startVideo(ffmpeg, &error)) return fail(error);

    const uint32_t lastFrame = options.bench ? LAST_SHOW_FRAME : options.frames.lastFrame();
    // Hash lines on the same terminal would be torn by the bar; they show the
    // progress themselves.
    const bool showProgress = isatty(STDERR_FILENO) == 1 && !(options.hash && isatty(STDOUT_FILENO) == 1);
    ProgressBar progress(lastFrame, showProgress);
    const auto start = std::chrono::steady_clock::now();
    uint32_t k = 0;
    bool ok = true;
    for (;;) {
        k++;
        timeline.drawFrame(FRAME_PERIOD_MS * k);
        const uint32_t mask = timeline.sceneMask;
        if (!options.bench && options.frames.contains(k) &&
            !outputs.write(k, timeline.elapsedMs, mask, screen->backBuffer, &error)) {
            ok = false;
            break;
        }
        progress.update(k);
        if ((mask & MASK_END) || (!options.bench && k >= lastFrame)) break;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.finish();
    if (ok && !outputs.finish(&error)) ok = false;

    destroyShow();
    delete TextConsole::instance();
    delete screen;
    if (!ok) return fail(error);
    for (const std::string& line : outputs.summary()) fprintf(stderr, "ambrelle-capture: %s\n", line.c_str());
    if (options.bench) {
        const double s = seconds > 0 ? seconds : 1e-9;
        printf("rendered %u frames in %.3f s: %.1f fps, %.2f x realtime\n", k, seconds, k / s, SHOW_SECONDS / s);
    }
    return 0;
}
