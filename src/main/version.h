// The project's version, as CMake's project() declares it.
#pragma once

#include <string>

// "1.0.0"
const char* ambrelleVersion();
// The --version line of a program: its name and the version, e.g.
// "ambrelle-capture 1.0.0\n".
std::string versionLine(const std::string& program);
