// Choosing the working directory so that data/ names the right folder.
#include "main/data_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
std::string linkFolder;  // the temporary folder holding the data link, if any

void removeLinkAtExit() { releaseDataLink(); }

// Path without trailing slashes ("/" stays "/").
std::string trimmed(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool isFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string programFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "";
    buffer[n] = 0;
    return parentOf(buffer);
}

const char* dataParentFromBin() { return AMBRELLE_DATA_PARENT_FROM_BIN; }

std::string installedDataParent(const std::string& folder) {
    if (folder.empty()) return "";
    const std::string parent = folder + "/" + dataParentFromBin();
    return isFolder(parent + "/data") ? parent : "";
}

bool useDataFolder(const std::string& dir, std::string* error) {
    if (!isFolder(dir)) {
        struct stat st;
        *error = stat(dir.c_str(), &st) == 0 ? "--data: '" + dir + "' is not a folder"
                                             : "--data: there is no folder '" + dir + "'";
        return false;
    }
    const std::string path = trimmed(dir);
    if (lastComponent(path) == "data") {
        const std::string parent = parentOf(path);
        if (chdir(parent.c_str()) != 0) {
            *error = "--data: cannot change into '" + parent + "': " + strerror(errno);
            return false;
        }
        return true;
    }
    // Any other name: a private folder in which data is a link to it.
    char target[PATH_MAX];
    if (!realpath(dir.c_str(), target)) {
        *error = "--data: cannot resolve '" + dir + "': " + strerror(errno);
        return false;
    }
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ambrelle-data-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        *error = "--data: cannot make a temporary folder in '" + parentOf(pattern) + "': " + strerror(errno);
        return false;
    }
    linkFolder = pattern;
    static bool registered = false;
    if (!registered) registered = atexit(removeLinkAtExit) == 0;
    if (symlink(target, (linkFolder + "/data").c_str()) != 0 || chdir(linkFolder.c_str()) != 0) {
        *error = "--data: cannot link to '" + dir + "' from '" + linkFolder + "': " + strerror(errno);
        releaseDataLink();
        return false;
    }
    return true;
}

void releaseDataLink() {
    if (linkFolder.empty()) return;
    unlink((linkFolder + "/data").c_str());
    rmdir(linkFolder.c_str());
    linkFolder.clear();
}
