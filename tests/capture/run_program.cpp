// fork and exec with both output streams sent to temporary files.
#include "capture/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
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
    RunOptions options;
    options.env = env;
    options.killAfterMs = 0;
    return runProgram(argv, options);
}

ProgramResult runProgram(const std::vector<std::string>& argv, const RunOptions& options) {
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
        for (const std::string& e : options.env) putenv(const_cast<char*>(e.c_str()));
        if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(126);
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
    bool done = pid <= 0;
    if (!done && options.signalAfterMs <= 0 && options.killAfterMs <= 0) done = waitpid(pid, &status, 0) == pid;
    // Poll, so that the signal and the deadline come on time.
    const auto start = std::chrono::steady_clock::now();
    bool signalled = false;
    while (!done) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || r < 0) {
            done = r == pid;
            break;
        }
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (options.signalAfterMs > 0 && !signalled && ms >= options.signalAfterMs) {
            kill(pid, options.signal);
            signalled = true;
        }
        if (options.killAfterMs > 0 && ms >= options.killAfterMs) {
            kill(pid, SIGKILL);
            result.timedOut = true;
            done = waitpid(pid, &status, 0) == pid;
            break;
        }
        usleep(5000);
    }
    if (done && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (done && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
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
