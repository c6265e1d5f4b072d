// Running a program from a test: its exit status, standard output and
// standard error, with extra environment settings.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int status = -1;  // exit status, or -1 if it did not exit normally
    std::string out;
    std::string err;
};

// argv[0] is the program's path; env entries are "NAME=value" set on top of
// the test's own environment.
ProgramResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});

// The path of a program found on PATH, or "" if there is none.
std::string findOnPath(const std::string& name);
