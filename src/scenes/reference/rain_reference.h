// The plain rain refraction, the yardstick for RainScene::render.
#pragma once

#include <cstdint>

class RainScene;

// Refracts back (76800 pixels) in place through the scene's active drops.
void renderRainReference(const RainScene& scene, uint16_t* back);
