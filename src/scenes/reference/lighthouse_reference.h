// The plain lighthouse scene, the yardstick for LighthouseScene::render.
#pragma once

#include <cstdint>

class LighthouseScene;

// Draws the scene's frame into back (76800 pixels): background, lamp glow,
// revealed logo, glowing front and sparks.
void renderLighthouseReference(const LighthouseScene& scene, uint16_t* back);
