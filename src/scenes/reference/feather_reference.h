// The plain feather scene, the yardstick for FeatherScene::render.
#pragma once

class FeatherScene;

// Background, rotated feather and logo, one pixel at a time.
void renderFeatherReference(const FeatherScene& scene);
