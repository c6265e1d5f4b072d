// ambrelle-datacheck [--only-present] [--require LIST] DIR: checks a data
// folder against what the show reads of each file; names every failing file.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "datacheck/data_check.h"
#include "main/version.h"

namespace {
const char USAGE[] =
    "usage: ambrelle-datacheck [--only-present] [--require LIST] DIR\n"
    "Checks the data folder DIR (the show's data/) against what the show reads of\n"
    "each of its 43 files, prints one FAIL line per file that does not fit and a\n"
    "last line with the counts.\n"
    "\n"
    "  --only-present  skip files that are absent (except those named in LIST)\n"
    "  --require LIST  a file naming, one a line, files that must be present\n"
    "  -h, --help      show this text\n"
    "  --version       print the program's name and version\n"
    "\n"
    "Exit status: 0 every file fits, 1 a file does not fit or DIR is no folder,\n"
    "2 bad options.\n";

int usageError(const std::string& message) {
    fprintf(stderr, "ambrelle-datacheck: %s (see --help)\n", message.c_str());
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    DataCheckOptions options;
    std::string dir, requireList;
    bool haveDir = false, optionsEnded = false, help = false, version = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            help = true;
        } else if (!optionsEnded && arg == "--version") {
            version = true;
        } else if (!optionsEnded && arg == "--only-present") {
            options.onlyPresent = true;
        } else if (!optionsEnded && arg == "--require") {
            if (i + 1 >= argc) return usageError("--require needs a value");
            requireList = argv[++i];
        } else if (!optionsEnded && !arg.empty() && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else if (haveDir) {
            return usageError("unexpected argument '" + arg + "': give one folder");
        } else {
            dir = arg;
            haveDir = true;
        }
    }
    if (help) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (version) {
        fputs(versionLine("ambrelle-datacheck").c_str(), stdout);
        return 0;
    }
    if (!haveDir) return usageError("no data folder given");
    if (!requireList.empty()) {
        std::string error;
        if (!readRequiredList(requireList, &options.required, &error)) {
            fprintf(stderr, "ambrelle-datacheck: %s\n", error.c_str());
            return 2;
        }
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) {
        fprintf(stderr, "ambrelle-datacheck: there is no folder '%s'\n", dir.c_str());
        return 1;
    }
    if (!S_ISDIR(st.st_mode)) {
        fprintf(stderr, "ambrelle-datacheck: '%s' is not a folder\n", dir.c_str());
        return 1;
    }

    const DataCheckResult result = checkDataFolder(dir, options);
    for (const std::string& f : result.failures) printf("FAIL %s\n", f.c_str());
    printf("data check of %s: %d checked, %d absent and skipped, %zu failed\n", dir.c_str(), result.checked,
           result.skipped, result.failures.size());
    return result.failures.empty() ? 0 : 1;
}
