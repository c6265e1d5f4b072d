// Where the show's data/ folder is found. The show always reads data/ relative
// to its working directory; these helpers choose that directory.
#pragma once

#include <string>

bool isFolder(const std::string& path);

// The folder holding the running program (symbolic links resolved), or "".
std::string programFolder();

// The installed data's parent for programs in folder (bin/): the folder
// DATA_PARENT_FROM_BIN below it, when that holds a data/ folder; else "".
std::string installedDataParent(const std::string& folder);

// The installed data's parent relative to the programs' folder, as installed
// ("../share/ambrelle").
const char* dataParentFromBin();

// Makes data/ in the working directory mean dir: changes into dir's parent
// when dir is named "data", otherwise into a private temporary folder holding
// a link named data to dir (removed by releaseDataLink or at exit). False
// with *error set when dir is not a folder or cannot be used.
bool useDataFolder(const std::string& dir, std::string* error);

// Removes the temporary link folder, if one was made. The show calls this
// once every file is open.
void releaseDataLink();
