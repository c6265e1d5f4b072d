// trans1.png .. trans5.png: the wipe patterns of the white-out transition.
// Only blue minus red counts: it is the pixel's place in the moving band,
// -31..31. The patterns are smooth (neighbours differ by a step or two) so the
// white spreads as soft fronts: an iris, a wavy diagonal, a two-armed swirl,
// sweeping arcs of light and water ripples.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "datagen.h"
#include "makers.h"
#include "soft_paint.h"

namespace {

using softpaint::ValueNoise;

const int W = 320;
const int H = 240;
const double PI = 3.14159265358979323846;

int byte5(int level) { return (level << 3) | (level >> 2); }
int byte6(int level) { return (level << 2) | (level >> 4); }

// Stores band places k (-31..31) as red and blue levels with blue - red = k,
// red running down as blue runs up so the picture reads as an amber-to-blue
// map in a viewer. Green (unused by the show) follows the brightness.
bool savePattern(const std::vector<int>& places, const std::string& path) {
    Picture picture(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const int k = std::clamp(places[y * W + x], -31, 31);
            const int red = (31 - k) / 2, blue = red + k;
            picture.set(x, y, byte5(red), byte6((red + blue) / 2 + 8), byte5(blue));
        }
    return savePng(picture, path);
}

// A pattern spread over the band once: f in 0..1 maps onto -31..31.
std::vector<int> spread(const std::function<double(double, double)>& f) {
    std::vector<int> places(W * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double v = std::clamp(f(x + 0.5, y + 0.5), 0.0, 1.0);
            places[y * W + x] = static_cast<int>(std::lround(-31 + 62 * v));
        }
    return places;
}

// A pattern that repeats every whole unit of f: the band's 64 places wrap
// around, so f and f + 1 land on the same place (-32 is folded to -31).
std::vector<int> wrapped(const std::function<double(double, double)>& f) {
    std::vector<int> places(W * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            long step = std::lround(64 * f(x + 0.5, y + 0.5)) % 64;
            if (step < 0) step += 64;
            int k = static_cast<int>(step) - 32;
            places[y * W + x] = k < -31 ? -31 : k;
        }
    return places;
}

}  // namespace

// An iris: rings close in on the centre; gently irregular so the edge of
// the white looks painted rather than drawn with compasses.
bool makeTransition1(const std::string& dir) {
    const ValueNoise noise(101);
    const double maxR = std::hypot(160.0, 120.0 * 1.15);
    return savePattern(spread([&](double x, double y) {
                           const double dx = x - 160, dy = (y - 120) * 1.15;
                           const double r = std::hypot(dx, dy) + 14 * noise.fbm(x / 48, y / 48, 3);
                           return r / maxR;
                       }),
                       dir + "/trans1.png");
}

// A diagonal sweep from the top left with a slow wave along its front.
bool makeTransition2(const std::string& dir) {
    const double a = 0.62;  // about 35 degrees below the horizontal
    const double ca = std::cos(a), sa = std::sin(a);
    const double span = W * ca + H * sa;
    return savePattern(spread([&](double x, double y) {
                           const double along = x * ca + y * sa;
                           const double across = -x * sa + y * ca;
                           const double wave =
                               11 * std::sin(across * 2 * PI / 150) + 5 * std::sin(across * 2 * PI / 61 + 1.3);
                           return (along + wave + 16) / (span + 32);
                       }),
                       dir + "/trans2.png");
}

// Two spiral arms turning about the centre.
bool makeTransition3(const std::string& dir) {
    return savePattern(wrapped([](double x, double y) {
                           const double dx = x - 160, dy = y - 120;
                           const double r = std::hypot(dx, dy);
                           const double angle = std::atan2(dy, dx) / (2 * PI);
                           return 2 * angle + r / 150;
                       }),
                       dir + "/trans3.png");
}

// Rays of light fanning out from a sun beyond the top left corner; the
// moving band turns them like the spokes of a wheel.
bool makeTransition4(const std::string& dir) {
    return savePattern(wrapped([](double x, double y) {
                           const double dx = x + 40, dy = y + 60;
                           const double angle = std::atan2(dy, dx) / (PI / 2);
                           return 3 * angle + std::hypot(dx, dy) / 260;
                       }),
                       dir + "/trans4.png");
}

// Ripples on water, spreading from a point low and left of the centre.
bool makeTransition5(const std::string& dir) {
    const ValueNoise noise(505);
    return savePattern(wrapped([&](double x, double y) {
                           const double r = std::hypot(x - 140, (y - 150) * 1.2);
                           return r / 72 + 0.08 * noise.fbm(x / 90, y / 90, 2);
                       }),
                       dir + "/trans5.png");
}
