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

namespace {

int usage() {
    fprintf(stderr, "usage: ambrelle-datagen [-jN] DIR [NAME...]\n");
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
        fprintf(stderr, "datagen: failed to make %s\n", f->name);
        return false;
    }
    return pid > 0;
}

}  // namespace

int main(int argc, char** argv) {
    int jobs = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    int arg = 1;
    if (arg < argc && strncmp(argv[arg], "-j", 2) == 0) {
        jobs = atoi(argv[arg] + 2);
        if (jobs < 1) return usage();
        arg++;
    }
    jobs = jobs < 1 ? 1 : jobs > 4 ? 4 : jobs;
    if (arg >= argc) return usage();
    const std::string dir = argv[arg++];
    const auto& files = dataFiles();
    std::vector<const DataFile*> chosen;
    if (arg == argc) {
        for (const DataFile& f : files) chosen.push_back(&f);
    } else {
        for (; arg < argc; arg++) {
            const DataFile* found = nullptr;
            for (const DataFile& f : files)
                if (strcmp(f.name, argv[arg]) == 0) found = &f;
            if (!found) {
                fprintf(stderr, "datagen: no maker for %s\n", argv[arg]);
                return 2;
            }
            chosen.push_back(found);
        }
    }
    mkdir(dir.c_str(), 0755);
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "datagen: cannot create the folder %s\n", dir.c_str());
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
            fprintf(stderr, "datagen: cannot start a worker for %s\n", f->name);
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
    printf("datagen: %zu files in %.1f s\n", chosen.size(), seconds);
    return 0;
}
