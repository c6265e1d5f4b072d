// The plain cave scene, the yardstick for CaveScene::render.
#pragma once

#include <cstdint>

class CaveScene;

// The waterfall alone over back (76800 pixels), pixel by pixel: three layer
// reads, the alpha read and the palette read, blended with blend565.
void renderCaveWaterfallReference(const CaveScene& scene, uint16_t* back);
// The whole frame into the Screen's back buffer (and, with the plane, its
// depth buffer): background, waterfall, greeting letters, plane.
void renderCaveReference(const CaveScene& scene);
