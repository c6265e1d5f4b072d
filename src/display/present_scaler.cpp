// Builds the per-size index tables and fills the window buffer row by row.
// The float expressions must stay exactly as written (no integer shortcut):
// x * 320 / W disagrees with them on about one window size in ten.
#include "display/present_scaler.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "gfx/pixel.h"

namespace {
// Truncation toward zero, as a plain conversion does, but saturating: a window
// of zero width makes the scale infinite, and converting that is undefined.
int64_t truncate(float v) {
    if (v != v) return 0;
    if (v >= 9.0e18f) return INT64_MAX / 4;
    if (v <= -9.0e18f) return -INT64_MAX / 4;
    return static_cast<int64_t>(v);
}
}  // namespace

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
    int64_t offsetX = 0, offsetY = 0;
    if (ratio >= 0.75f || ratio != ratio) {
        scale = fw / fW;
        const float half = static_cast<float>(h / 2);
        offsetY = truncate(half + fH * scale * -0.5f);
    } else {
        scale = fh / fH;
        const float half = static_cast<float>(w / 2);
        offsetX = truncate(half + fW * scale * -0.5f);
    }
    rowSource.assign(H, -1);
    for (int y = 0; y < H; y++) {
        const int64_t sy = offsetY + truncate(static_cast<float>(y) * scale);
        rowSource[y] = (sy >= 0 && sy < h) ? static_cast<int32_t>(sy) : -1;
    }
    columnSource.assign(W, -1);
    firstColumn = W;
    endColumn = W;
    for (int x = 0; x < W; x++) {
        const int64_t sx = truncate(static_cast<float>(x) * scale) + offsetX;
        if (sx >= 0 && sx < w) {
            columnSource[x] = static_cast<int32_t>(sx);
            if (firstColumn == W) firstColumn = x;
            endColumn = x + 1;
        }
    }
    if (firstColumn == W) endColumn = W;
    runSource.clear();
    runCount.clear();
    for (int x = firstColumn; x < endColumn; x++) {
        if (runSource.empty() || runSource.back() != columnSource[x]) {
            runSource.push_back(columnSource[x]);
            runCount.push_back(1);
        } else {
            runCount.back()++;
        }
    }
    const int visible = endColumn - firstColumn;
    maxRunCount = 0;
    int minRunCount = visible;
    for (int32_t c : runCount) {
        if (c > maxRunCount) maxRunCount = c;
        if (c < minRunCount) minRunCount = c;
    }
    // Broadcast stores pay off only for runs of four columns or more; short
    // runs overlapping each store would stall on the overlaps.
    allPairs = minRunCount == 2 && maxRunCount == 2;
    consecutiveSources = true;
    for (size_t r = 1; r < runSource.size(); r++)
        if (runSource[r] != runSource[0] + static_cast<int32_t>(r)) consecutiveSources = false;
    wideRuns = 0;
    if (minRunCount >= 4) {
        int start = 0;
        while (wideRuns < runCount.size() && start + (runCount[wideRuns] + 7) / 8 * 8 <= visible)
            start += runCount[wideRuns++];
    }
}

void PresentScaler::fillRow(const uint16_t* src, uint16_t* row) const {
    uint16_t* dst = row + firstColumn;
    const int32_t* source = runSource.data();
    const int32_t* count = runCount.data();
    const size_t n = runSource.size();
    if (allPairs && consecutiveSources) {
        // The common 2x window: every source pixel becomes a pair.
        const uint16_t* s = src + source[0];
        for (size_t x = 0; x < n; x++) dst[2 * x] = dst[2 * x + 1] = s[x];
        return;
    }
    size_t r = 0;
#ifdef __SSE2__
    // One broadcast store per source pixel instead of one store per window
    // pixel; a store may spill into the next run's columns, which that run
    // then overwrites.
    if (maxRunCount <= 8 && consecutiveSources) {
        const uint16_t* s = src + source[0];
        for (; r < wideRuns; r++) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_set1_epi16(static_cast<short>(s[r])));
            dst += count[r];
        }
    } else {
        for (; r < wideRuns; r++) {
            const __m128i v = _mm_set1_epi16(static_cast<short>(src[source[r]]));
            for (int k = 0; k < count[r]; k += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), v);
            dst += count[r];
        }
    }
#endif
    for (; r < n; r++) {
        const uint16_t p = src[source[r]];
        for (int k = 0; k < count[r]; k++) dst[k] = p;
        dst += count[r];
    }
}

void PresentScaler::scale(const uint16_t* back, uint16_t* out, int pitch) const {
    if (W <= 0 || H <= 0) return;
    const size_t rowBytes = static_cast<size_t>(W) * sizeof(uint16_t);
    // Each distinct source row is scaled once, straight into the first window
    // row that shows it; the rows below that repeat it are copies.
    const uint16_t* built = nullptr;
    int builtSource = -2;
    for (int y = 0; y < H; y++) {
        const int sy = runSource.empty() ? -1 : rowSource[y];
        uint16_t* row = out + static_cast<size_t>(y) * pitch;
        if (sy == builtSource) {
            memcpy(row, built, rowBytes);
            continue;
        }
        builtSource = sy;
        built = row;
        if (sy < 0) {
            memset(row, 0, rowBytes);
            continue;
        }
        if (firstColumn > 0) memset(row, 0, static_cast<size_t>(firstColumn) * sizeof(uint16_t));
        fillRow(back + sy * SCREEN_WIDTH, row);
        if (endColumn < W) memset(row + endColumn, 0, static_cast<size_t>(W - endColumn) * sizeof(uint16_t));
    }
}

void presentScale(const uint16_t* back, int windowWidth, int windowHeight, uint16_t* out, int pitchPixels) {
    PresentScaler scaler;
    scaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, windowWidth, windowHeight);
    scaler.scale(back, out, pitchPixels);
}
