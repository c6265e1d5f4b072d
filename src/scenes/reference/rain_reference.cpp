// The rain's refraction written plainly: a snapshot of the frame, a full
// neutral map, every active drop stamped by the per-field maximum, then every
// pixel refracted.
#include "scenes/reference/rain_reference.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/rain_scene.h"

void renderRainReference(const RainScene& s, uint16_t* back) {
    std::vector<uint16_t> snapshot(back, back + SCREEN_PIXELS), map(SCREEN_PIXELS, RainScene::NEUTRAL_DISPLACEMENT);
    for (int k = 0; k < 50; k++) {
        if (!s.dropActive[k]) continue;
        const int start = s.dropColumn[k] * 32 + s.dropAge[k] * 8192;
        for (int r = 0; r < 32; r++)
            for (int c = 0; c < 32; c++) {
                const int idx = (s.dropY[k] + r) * 320 + s.dropX[k] + c;
                if (idx < 1 || idx > 76799) continue;
                const uint16_t sp = s.dropSheet->pixels[start + r * 256 + c], mp = map[idx];
                const int red = std::max(sp >> 11, mp >> 11), green = std::max(green6(sp), green6(mp));
                map[idx] = static_cast<uint16_t>((red << 11) | (green << 5));
            }
    }
    for (int j = 0; j < 240; j++)
        for (int k = 0; k < 320; k++) {
            const uint16_t m = map[j * 320 + k];
            const int dx = (m >> 11) - 16, dy = ((m & 0x7E0) >> 6) - 16;
            if (dx == -1 || dy == -1) continue;
            const int s2 = (j + 4 * dy) * 320 + (k + 4 * dx);
            if (s2 < 1 || s2 > 76799) continue;
            const uint16_t p = snapshot[s2];
            const int e = std::abs(dx + dy);
            const int red = std::min(31, (p >> 11) + (e >> 1)), green = std::min(63, green6(p) + e),
                      blue = std::min(31, (p & 31) + (e >> 1));
            back[j * 320 + k] = static_cast<uint16_t>((red << 11) | (green << 5) | blue);
        }
}
