// The presentation scaler: the 320 x 240 back buffer into a window-sized
// buffer, one uniform nearest-neighbour factor, centred, black borders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Source row and column of every window pixel, computed once per window size
// with the single-precision expressions the show has always used (this file
// is compiled without fused multiply-adds, so the indices never drift).
class PresentScaler {
   public:
    // srcWidth x srcHeight is the logical buffer (320 x 240).
    void setSize(int srcWidth, int srcHeight, int windowWidth, int windowHeight);
    // Writes windowHeight rows of windowWidth pixels; out rows are pitchPixels
    // uint16 values apart (pitchPixels >= windowWidth). The source rows are 320
    // pixels apart.
    void scale(const uint16_t* back, uint16_t* out, int pitchPixels) const;

   private:
    int w = 0, h = 0, W = -1, H = -1;
    std::vector<int32_t> rowSource;     // per window row: source row, or -1 for black
    std::vector<int32_t> columnSource;  // per window column: source column, or -1
    int firstColumn = 0;                // window columns [firstColumn, endColumn) show the
    int endColumn = 0;                  // picture, the rest of every row is border
    // The visible columns as runs of one repeated source pixel, left to right:
    // the source column and how many window columns show it.
    std::vector<int32_t> runSource;
    std::vector<int32_t> runCount;
    int32_t maxRunCount = 0;
    bool allPairs = false;            // every source column shows twice: the 2x window
    bool consecutiveSources = false;  // runs show source columns k, k + 1, ...
    // Runs before this index may be filled with whole 8-pixel stores without
    // writing past the visible columns (the next run overwrites the excess).
    size_t wideRuns = 0;

    void fillRow(const uint16_t* src, uint16_t* row) const;
};

// The same scaling as a one-shot call, for tools and tests.
void presentScale(const uint16_t* back, int windowWidth, int windowHeight, uint16_t* out, int pitchPixels);
