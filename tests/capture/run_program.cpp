// fork and exec with both output streams sent to temporary files.
#include "capture/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int tempFile(std::string* path) {
    char pattern[] = "/tmp/ambrelle-run-XXXXXX";
    const int fd = mkstemp(pattern);
    *path = pattern;
    return fd;
}
}  // namespace

ProgramResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    ProgramResult result;
    std::string outPath, errPath;
    const int outFd = tempFile(&outPath), errFd = tempFile(&errPath);
    if (outFd < 0 || errFd < 0) return result;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outFd);
    close(errFd);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return result;
}

std::string findOnPath(const std::string& name) {
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        if (colon == std::string::npos) colon = dirs.size();
        const std::string candidate = dirs.substr(start, colon - start) + "/" + name;
        if (colon > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return "";
}
