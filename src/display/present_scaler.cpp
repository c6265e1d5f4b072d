// Builds the per-size index tables and fills the window buffer row by row.
// The float expressions must stay exactly as written (no integer shortcut):
// x * 320 / W disagrees with them on about one window size in ten.
#include "display/present_scaler.h"

#include <cstring>

#include "gfx/pixel.h"

void PresentScaler::setSize(int srcWidth, int srcHeight, int windowW, int windowH) {
    if (srcWidth == w && srcHeight == h && windowW == W && windowH == H) return;
    w = srcWidth;
    h = srcHeight;
    W = windowW < 0 ? 0 : windowW;
    H = windowH < 0 ? 0 : windowH;
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float fW = static_cast<float>(W), fH = static_cast<float>(H);
    const float ratio = fH / fW;
    float scale;
    int offsetX = 0, offsetY = 0;
    if (ratio >= 0.75f || ratio != ratio) {
        scale = fw / fW;
        const float half = static_cast<float>(h / 2);
        offsetY = static_cast<int>(half + fH * scale * -0.5f);
    } else {
        scale = fh / fH;
        const float half = static_cast<float>(w / 2);
        offsetX = static_cast<int>(half + fW * scale * -0.5f);
    }
    rowSource.assign(H, -1);
    for (int y = 0; y < H; y++) {
        const int sy = offsetY + static_cast<int>(static_cast<float>(y) * scale);
        rowSource[y] = (sy >= 0 && sy < h) ? sy : -1;
    }
    columnSource.assign(W, -1);
    firstColumn = W;
    endColumn = W;
    for (int x = 0; x < W; x++) {
        const int sx = static_cast<int>(static_cast<float>(x) * scale) + offsetX;
        if (sx >= 0 && sx < w) {
            columnSource[x] = sx;
            if (firstColumn == W) firstColumn = x;
            endColumn = x + 1;
        }
    }
    if (firstColumn == W) endColumn = W;
    // The common 2x case: every source pixel becomes exactly two columns.
    exactDouble = firstColumn == 0 && endColumn == W && W == 2 * w;
    for (int x = 0; exactDouble && x < W; x++) exactDouble = columnSource[x] == x / 2;
}

void PresentScaler::scale(const uint16_t* back, uint16_t* out, int pitch) const {
    const int visible = endColumn - firstColumn;
    const int32_t* cols = columnSource.data() + firstColumn;
    int previousSource = -2;
    uint16_t* previousRow = nullptr;
    for (int y = 0; y < H; y++) {
        uint16_t* row = out + static_cast<size_t>(y) * pitch;
        const int sy = rowSource[y];
        if (sy == previousSource && previousRow) {
            memcpy(row, previousRow, static_cast<size_t>(W) * sizeof(uint16_t));
            continue;
        }
        previousSource = sy;
        previousRow = row;
        if (sy < 0 || visible <= 0) {
            memset(row, 0, static_cast<size_t>(W) * sizeof(uint16_t));
            continue;
        }
        const uint16_t* src = back + sy * SCREEN_WIDTH;
        if (exactDouble) {
            for (int x = 0; x < w; x++) {
                const uint16_t p = src[x];
                row[2 * x] = p;
                row[2 * x + 1] = p;
            }
            continue;
        }
        if (firstColumn > 0) memset(row, 0, static_cast<size_t>(firstColumn) * sizeof(uint16_t));
        uint16_t* dst = row + firstColumn;
        for (int x = 0; x < visible; x++) dst[x] = src[cols[x]];
        if (endColumn < W) memset(row + endColumn, 0, static_cast<size_t>(W - endColumn) * sizeof(uint16_t));
    }
}

void presentScale(const uint16_t* back, int windowWidth, int windowHeight, uint16_t* out, int pitchPixels) {
    PresentScaler scaler;
    scaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, windowWidth, windowHeight);
    scaler.scale(back, out, pitchPixels);
}
