// ambrelle-datagen DIR: writes the whole data set into DIR.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "datagen.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: ambrelle-datagen DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    const auto& files = dataFiles();
    int index = 0;
    for (const DataFile& f : files) {
        printf("[%2d/%2zu] %s\n", ++index, files.size(), f.name);
        fflush(stdout);
        if (!f.make(dir)) {
            fprintf(stderr, "datagen: failed to make %s\n", f.name);
            return 1;
        }
    }
    return 0;
}
