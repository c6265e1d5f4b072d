// The plain transition pass, the yardstick for TransitionOverlay::render.
#pragma once

class TransitionOverlay;

// Brightens the back buffer toward white in the overlay's current pattern,
// one pixel at a time.
void renderTransitionReference(const TransitionOverlay& overlay);
