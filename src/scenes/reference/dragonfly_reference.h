// The plain dragonfly scene, the yardstick for DragonflyScene's drawing.
#pragma once

#include <cstdint>

class DragonflyScene;

// The whole frame, pixel by pixel: backdrop, depth clear, the twelve flowers
// (through the mesh, with the haze level worked out here), the three credit
// bands and the dragonfly on its circle. Moves and retextures the flower mesh
// as the scene's own render does.
void renderDragonflyReference(DragonflyScene& scene);
// One credit strip, one pixel at a time, clipped to the screen.
void drawCreditStripReference(const DragonflyScene& scene, int32_t x, int32_t y, int32_t width, int32_t firstRow,
                              int32_t endRow);
// The current wing frame and the body centred on (cx, cy), one pixel at a
// time, clipped to the screen.
void drawDragonflyReference(const DragonflyScene& scene, int32_t cx, int32_t cy);
