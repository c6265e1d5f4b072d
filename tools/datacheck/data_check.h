// The data check: a data folder measured against what the show reads of
// each of its 43 files.
#pragma once

#include <string>
#include <vector>

enum class FileKind { Png, Ase, Ogg };

// What the show needs of one data file.
struct FileRule {
    const char* name;
    FileKind kind;
    // Pictures: width and height ranges (inclusive) and a minimum pixel count
    // (for pictures read as one long row).
    int minWidth = 0, maxWidth = 0, minHeight = 0, maxHeight = 0;
    int minPixels = 0;
    // Meshes: exact record counts.
    int vertices = 0, faces = 0, texVertices = 0;
    // Music: length range in seconds.
    double minSeconds = 0, maxSeconds = 0;
};

// The 43 files of the data set.
const std::vector<FileRule>& dataSetRules();
// The rule for a file name, or null if the data set has no such file.
const FileRule* findRule(const std::string& name);

// Each returns "" if the file meets the rule, otherwise why it does not.
std::string checkPng(const std::string& path, const FileRule& rule);
std::string checkAse(const std::string& path, const FileRule& rule);
std::string checkOgg(const std::string& path, const FileRule& rule);
std::string checkFile(const std::string& path, const FileRule& rule);

struct DataCheckOptions {
    // Absent files are skipped rather than failed, except the required ones.
    bool onlyPresent = false;
    std::vector<std::string> required;
};

struct DataCheckResult {
    int checked = 0;
    int skipped = 0;
    std::vector<std::string> failures;  // "name: reason", one per failing file
};

DataCheckResult checkDataFolder(const std::string& dir, const DataCheckOptions& options);

// Reads a list of file names, one a line; blank lines and lines starting with
// '#' are ignored. Returns false (with a reason in *error) if the list cannot
// be read or names a file the data set does not have.
bool readRequiredList(const std::string& path, std::vector<std::string>* names, std::string* error);
