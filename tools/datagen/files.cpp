// The list of data files and their makers.
#include "datagen.h"

const std::vector<DataFile>& dataFiles() {
    static const std::vector<DataFile> files = {};
    return files;
}
