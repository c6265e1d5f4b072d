// The progress line: written in one write() per redraw so it never interleaves.
#include "capture/progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr int BAR_CELLS = 30;
}

ProgressBar::ProgressBar(uint32_t t, bool e) : total(t == 0 ? 1 : t), enabled(e) {
    start = Clock::now();
    lastDraw = start;
}

int ProgressBar::format(char* out, int size, uint32_t done, uint32_t total, double elapsed) {
    if (total == 0) total = 1;
    if (done > total) done = total;
    char bar[BAR_CELLS + 1];
    const int filled = static_cast<int>(static_cast<uint64_t>(done) * BAR_CELLS / total);
    for (int i = 0; i < BAR_CELLS; i++) bar[i] = i < filled ? '#' : '-';
    bar[BAR_CELLS] = 0;
    const unsigned percent = static_cast<unsigned>(static_cast<uint64_t>(done) * 100 / total);
    char left[32] = "--:--";
    if (done > 0) {
        const double remaining = elapsed * (total - done) / done;
        const unsigned s = static_cast<unsigned>(remaining + 0.5);
        snprintf(left, sizeof left, "%u:%02u", s / 60, s % 60);
    }
    return snprintf(out, static_cast<size_t>(size), "frame %5u/%u [%s] %3u%%  %s left", done, total, bar, percent,
                    left);
}

void ProgressBar::update(uint32_t done) {
    if (!enabled) return;
    const Clock::time_point now = Clock::now();
    if (done < total && now - lastDraw < std::chrono::milliseconds(100)) return;
    lastDraw = now;
    char line[160];
    line[0] = '\r';
    const double elapsed = std::chrono::duration<double>(now - start).count();
    int n = format(line + 1, sizeof line - 1, done, total, elapsed);
    if (n < 0) return;
    n = n + 1 < static_cast<int>(sizeof line) ? n + 1 : static_cast<int>(sizeof line) - 1;
    if (::write(STDERR_FILENO, line, static_cast<size_t>(n)) > 0) drawn = true;
}

void ProgressBar::finish() {
    if (!enabled || !drawn) return;
    // Carriage return, erase to the end of the line.
    static const char erase[] = "\r\033[K";
    if (::write(STDERR_FILENO, erase, sizeof erase - 1) < 0) return;
    drawn = false;
}
