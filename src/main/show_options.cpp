// Parsing and applying the show's command line. Nothing here touches SDL: the
// options only set what the Screen and SDL read when they start.
#include "main/show_options.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "display/screen.h"
#include "main/command_line.h"
#include "main/data_location.h"
#include "main/version.h"

namespace {
const OptionSpec OPTIONS[] = {
    {"--window", OptionTakes::Nothing}, {"--fullscreen", OptionTakes::Nothing}, {"--size", OptionTakes::Value},
    {"--data", OptionTakes::Value},     {"--no-sound", OptionTakes::Nothing},   {"--help", OptionTakes::Nothing},
    {"-h", OptionTakes::Nothing},       {"--version", OptionTakes::Nothing},
};

// Digits only; numbers too large for 64 bits count as too large rather than
// as malformed.
bool parseDimension(const std::string& text, uint64_t* out) {
    if (parseDecimal(text.data(), text.data() + text.size(), UINT64_MAX, out)) return true;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *out = UINT64_MAX;
    return true;
}
}  // namespace

bool parseWindowSize(const std::string& option, const std::string& value, int* width, int* height, std::string* error) {
    const size_t x = value.find('x');
    uint64_t w = 0, h = 0;
    if (x == std::string::npos || !parseDimension(value.substr(0, x), &w) || !parseDimension(value.substr(x + 1), &h)) {
        *error = option + ": expected WIDTHxHEIGHT such as 640x480, got '" + value + "'";
        return false;
    }
    if (w < 2 || h < 2 || w > WINDOW_MAX_SIZE || h > WINDOW_MAX_SIZE || w % 2 || h % 2) {
        *error = option + ": width and height must be even numbers from 2 to " + std::to_string(WINDOW_MAX_SIZE) +
                 ", got '" + value + "'";
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

std::string programName(const char* argv0, const char* fallback) {
    if (!argv0) return fallback;
    std::string name = argv0;
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    return name.empty() ? fallback : name;
}

ShowParse parseShowOptions(int argc, const char* const* argv, ShowOptions* o, std::string* error) {
    std::vector<OptionRead> read;
    if (!readOptions(argc, argv, OPTIONS, &read, error)) return ShowParse::Error;
    bool help = false, version = false;
    for (const OptionRead& option : read) {
        const std::string& arg = option.name;
        const std::string& value = option.value;
        if (arg == "--window" || arg == "--fullscreen") {
            if (o->fullScreen >= 0) {
                *error = "--window and --fullscreen cannot be combined";
                return ShowParse::Error;
            }
            o->fullScreen = arg == "--fullscreen" ? 1 : 0;
        } else if (arg == "--size") {
            if (!parseWindowSize(arg, value, &o->width, &o->height, error)) return ShowParse::Error;
            o->sizeGiven = true;
        } else if (arg == "--data") {
            o->dataDir = value;
        } else if (arg == "--no-sound") {
            o->noSound = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        }
    }
    if (help) return ShowParse::Help;
    if (version) return ShowParse::Version;
    return ShowParse::Run;
}

std::string showUsage(const std::string& program) {
    return "usage: " + program +
           " [options]\n"
           "Plays \"ambrelle by tornvale\", a 250-second demo, with the pictures, meshes and\n"
           "music of the data/ folder in the working directory. When there is no data/\n"
           "there, an installed show plays its installed data. Release Escape or close the\n"
           "window to end the show early.\n"
           "\n"
           "  --window        play in a window (the default when the program's name ends\n"
           "                  in \"w\", as ambrellew's does)\n"
           "  --fullscreen    play full screen (the default for any other name)\n"
           "  --size WxH      size of the first window, even numbers from 2 to 8192\n"
           "                  (default 640x480); the picture keeps 4:3 with black borders\n"
           "  --data DIR      read the data files from DIR instead of ./data\n"
           "  --no-sound      play without sound (SDL's dummy audio driver), for machines\n"
           "                  without a sound device\n"
           "  -h, --help      show this text\n"
           "  --version       print the program's name and version\n"
           "\n"
           "Exit status: 0 after the show, also when it was ended early; 1 when start-up\n"
           "fails (no display, no sound device, missing or broken data); 2 bad options.\n";
}

bool applyShowOptions(const ShowOptions& o, const std::string& program, std::string* error) {
    if (o.fullScreen >= 0) fullScreen = o.fullScreen;
    if (o.sizeGiven) {
        firstWindowWidth = o.width;
        firstWindowHeight = o.height;
    }
    // SDL reads its driver when the Screen initialises it.
    if (o.noSound) setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!o.dataDir.empty()) return useDataFolder(o.dataDir, error);
    if (isFolder("data")) return true;
    const std::string installed = installedDataParent(programFolder());
    if (!installed.empty() && chdir(installed.c_str()) == 0) return true;
    // Start-up goes on and names the first file it cannot load; say where
    // the show looked.
    char here[4096];
    fprintf(stderr, "%s: no data/ folder in %s; run the show from the folder that holds data/, or give --data DIR\n",
            program.c_str(), getcwd(here, sizeof here) ? here : "the working directory");
    return true;
}

int takeShowCommandLine(int argc, const char* const* argv) {
    const std::string program = programName(argc > 0 ? argv[0] : nullptr, "ambrelle");
    ShowOptions options;
    std::string error;
    switch (parseShowOptions(argc, argv, &options, &error)) {
        case ShowParse::Help:
            fputs(showUsage(program).c_str(), stdout);
            return 0;
        case ShowParse::Version:
            fputs(versionLine(program).c_str(), stdout);
            return 0;
        case ShowParse::Error:
            fprintf(stderr, "%s: %s (see --help)\n", program.c_str(), error.c_str());
            return 2;
        case ShowParse::Run:
            break;
    }
    if (!applyShowOptions(options, program, &error)) {
        fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    return -1;
}
