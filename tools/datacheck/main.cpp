// ambrelle-datacheck [--only-present] [--require LIST] DIR: checks a data
// folder against what the show reads of each file; names every failing file.
#include <cstdio>
#include <cstring>
#include <string>

#include "datacheck/data_check.h"

namespace {
int usage() {
    fprintf(stderr,
            "usage: ambrelle-datacheck [--only-present] [--require LIST] DIR\n"
            "  --only-present  skip files that are absent (except those named in LIST)\n"
            "  --require LIST  a file naming, one a line, files that must be present\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    DataCheckOptions options;
    std::string dir;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--only-present") == 0) {
            options.onlyPresent = true;
        } else if (strcmp(argv[i], "--require") == 0) {
            if (i + 1 >= argc) return usage();
            std::string error;
            if (!readRequiredList(argv[++i], &options.required, &error)) {
                fprintf(stderr, "ambrelle-datacheck: %s\n", error.c_str());
                return 2;
            }
        } else if (argv[i][0] == '-' || !dir.empty()) {
            return usage();
        } else {
            dir = argv[i];
        }
    }
    if (dir.empty()) return usage();

    const DataCheckResult result = checkDataFolder(dir, options);
    for (const std::string& f : result.failures) printf("FAIL %s\n", f.c_str());
    printf("data check of %s: %d checked, %d absent and skipped, %zu failed\n", dir.c_str(), result.checked,
           result.skipped, result.failures.size());
    return result.failures.empty() ? 0 : 1;
}
