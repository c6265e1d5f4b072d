// Plain per-pixel versions of the biplane scene's render, for checking the fast one.
#pragma once

class BiplaneScene;

// The whole render: clearDepth with 100.0, the plane, then the sky pass below.
void renderBiplaneReference(BiplaneScene& scene);
// The sky pass exactly as the scene is defined, pixel by pixel, three texel
// fetches each, over the current back buffer, depth buffer and row range.
void renderBiplaneSkyReference(const BiplaneScene& scene);
