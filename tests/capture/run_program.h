// Running a program from a test: its exit status, standard output and
// standard error, with extra environment settings.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int status = -1;        // exit status, or -1 if it did not exit normally
    int signal = 0;         // the signal that ended it, if one did
    bool timedOut = false;  // killed after RunOptions::killAfterMs
    std::string out;
    std::string err;
};

struct RunOptions {
    std::vector<std::string> env;  // "NAME=value" on top of the test's own
    std::string directory;         // working directory; "" keeps the test's
    int signalAfterMs = 0;         // if > 0, send `signal` after this long
    int signal = 15;               // SIGTERM
    int killAfterMs = 120000;      // a hung program is killed (SIGKILL) here
};

// argv[0] is the program's path; env entries are "NAME=value" set on top of
// the test's own environment.
ProgramResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
// The same with a working directory, a signal sent after a while and a
// deadline after which the program counts as hung and is killed.
ProgramResult runProgram(const std::vector<std::string>& argv, const RunOptions& options);

// The path of a program found on PATH, or "" if there is none.
std::string findOnPath(const std::string& name);
