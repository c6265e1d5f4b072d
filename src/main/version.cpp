// The version string comes from the build (AMBRELLE_VERSION_STRING), so one
// number in CMakeLists.txt names every program, the package and the manuals.
#include "main/version.h"

const char* ambrelleVersion() { return AMBRELLE_VERSION_STRING; }

std::string versionLine(const std::string& program) { return program + " " + ambrelleVersion() + "\n"; }
