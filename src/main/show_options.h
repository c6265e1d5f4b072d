// The show's command line: all of it optional. Without arguments the show
// plays exactly as it always has (window mode from the program's own name,
// data/ in the working directory).
#pragma once

#include <string>

// Window sizes accepted by --size: even numbers, like every window the show
// opens after a resize.
constexpr int WINDOW_MAX_SIZE = 8192;

struct ShowOptions {
    int fullScreen = -1;  // -1: the program-name rule; 0 --window; 1 --fullscreen
    bool sizeGiven = false;
    int width = 0;  // --size, when given
    int height = 0;
    std::string dataDir;  // --data; empty: data/ in the working directory
    bool noSound = false;
};

enum class ShowParse {
    Run,      // play with these options
    Help,     // --help was asked for
    Version,  // --version was asked for
    Error,    // *error names the problem in one line
};

// Parses argv[1 .. argc-1]. Options with a value take it as the next argument
// or after "=" (--size=800x600).
ShowParse parseShowOptions(int argc, const char* const* argv, ShowOptions* options, std::string* error);

// The --help text, with the name the program was started under.
std::string showUsage(const std::string& program);

// The last component of argv[0], or fallback when there is none.
std::string programName(const char* argv0, const char* fallback);

// WIDTHxHEIGHT, both even, 2 .. WINDOW_MAX_SIZE. option names the option in
// the message ("--size: ...").
bool parseWindowSize(const std::string& option, const std::string& value, int* width, int* height, std::string* error);

// Applies parsed options before the Screen exists: window mode and first
// size, the dummy sound driver, the data folder (or the installed data when
// the working directory has no data/). False with *error set when --data
// cannot be used.
bool applyShowOptions(const ShowOptions& options, const std::string& program, std::string* error);

// The whole command line for main: -1 to go on with the show, otherwise the
// exit status after --help, --version (0), a bad option (2) or an unusable
// --data folder (1), with the text already printed.
int takeShowCommandLine(int argc, const char* const* argv);
