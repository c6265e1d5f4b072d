// Every test process runs on SDL's dummy drivers, set before any test starts:
// classic SDL without a display would otherwise fall back to a text driver,
// and a test machine has no sound card.
#include <cstdlib>

namespace {
const bool headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return true;
}();
}  // namespace
