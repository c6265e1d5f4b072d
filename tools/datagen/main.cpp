// ambrelle-datagen [-jN] DIR [NAME...]: writes the whole data set into DIR, or
// only the named files of it.
//
// Each file is made in a child process of its own, up to N at a time (by
// default one per processor, at most 4): makers share nothing, so they cannot
// disturb each other's bytes, and the music runs beside the pictures.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datagen.h"
#include "main/version.h"

namespace {

const char USAGE[] =
    "usage: ambrelle-datagen [-jN] [--icon FILE] DIR [NAME...]\n"
    "       ambrelle-datagen --icon FILE\n"
    "Writes the show's data set (pictures, meshes and music, the same bytes on every\n"
    "run) into the folder DIR, created when missing, or only the named files of it.\n"
    "\n"
    "  -jN             make up to N files at a time (default: one per processor,\n"
    "                  at most 4)\n"
    "  --icon FILE     also write the desktop icon, a 256 x 256 PNG (not part of\n"
    "                  the data set)\n"
    "  -h, --help      show this text\n"
    "  --version       print the program's name and version\n"
    "  --              end of options: a DIR or NAME that begins with '-' follows\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be made or written, 2 bad options.\n";

int usageError(const std::string& message) {
    fprintf(stderr, "ambrelle-datagen: %s (see --help)\n", message.c_str());
    return 2;
}

struct Running {
    pid_t pid;
    const DataFile* file;
};

// Waits for one child; false if it did not make its file.
bool reap(std::vector<Running>& running) {
    int status = 0;
    const pid_t pid = wait(&status);
    for (size_t i = 0; i < running.size(); i++) {
        if (running[i].pid != pid) continue;
        const DataFile* f = running[i].file;
        running.erase(running.begin() + static_cast<long>(i));
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
        fprintf(stderr, "ambrelle-datagen: failed to make %s\n", f->name);
        return false;
    }
    return pid > 0;
}

}  // namespace

int main(int argc, char** argv) {
    int jobs = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<std::string> operands;  // DIR, then names
    std::string iconPath;
    bool optionsEnded = false, help = false, version = false, jobsGiven = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--icon") {
            if (!iconPath.empty()) return usageError("--icon given twice");
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return usageError("--icon needs a file name");
            iconPath = argv[++i];
        } else if (arg.compare(0, 2, "-j") == 0) {
            const std::string digits = arg.substr(2);
            if (jobsGiven) return usageError("-j given twice");
            if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos ||
                atoi(digits.c_str()) < 1)
                return usageError("-j: expected a number of jobs such as -j2, got '" + arg + "'");
            jobs = atoi(digits.c_str());
            jobsGiven = true;
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }
    if (help) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (version) {
        fputs(versionLine("ambrelle-datagen").c_str(), stdout);
        return 0;
    }
    jobs = jobs < 1 ? 1 : jobs > 4 ? 4 : jobs;
    if (!iconPath.empty()) {
        if (!makeIcon(iconPath)) return 1;
        if (operands.empty()) return 0;
    }
    if (operands.empty()) return usageError("no output folder given");
    const std::string dir = operands[0];
    const auto& files = dataFiles();
    std::vector<const DataFile*> chosen;
    if (operands.size() == 1) {
        for (const DataFile& f : files) chosen.push_back(&f);
    } else {
        for (size_t n = 1; n < operands.size(); n++) {
            const DataFile* found = nullptr;
            for (const DataFile& f : files)
                if (operands[n] == f.name) found = &f;
            if (!found) {
                fprintf(stderr, "ambrelle-datagen: no maker for %s\n", operands[n].c_str());
                return 2;
            }
            chosen.push_back(found);
        }
    }
    mkdir(dir.c_str(), 0755);
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "ambrelle-datagen: cannot create the folder %s\n", dir.c_str());
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    std::vector<Running> running;
    bool ok = true;
    int index = 0;
    for (const DataFile* f : chosen) {
        while (static_cast<int>(running.size()) >= jobs) ok = reap(running) && ok;
        if (!ok) break;
        printf("[%2d/%2zu] %s\n", ++index, chosen.size(), f->name);
        fflush(stdout);
        fflush(stderr);
        const pid_t pid = fork();
        if (pid < 0) {
            fprintf(stderr, "ambrelle-datagen: cannot start a worker for %s\n", f->name);
            ok = false;
            break;
        }
        if (pid == 0) {
            // A normal exit (the buffers were flushed before the fork), so
            // that the sanitized build checks each maker for leaks too.
            exit(f->make(dir) ? 0 : 1);
        }
        running.push_back({pid, f});
    }
    while (!running.empty()) ok = reap(running) && ok;
    if (!ok) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("ambrelle-datagen: %zu files in %.1f s\n", chosen.size(), seconds);
    return 0;
}
