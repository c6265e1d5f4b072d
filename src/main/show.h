// The show's process-wide objects, its scene table and the start-up and
// shutdown sequences shared by the live program, the offline renderer and the
// tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "main/show_facts.h"

class BitmapFont;
class Image;
class FeatherScene;
class LighthouseScene;
class TransitionOverlay;
class BackdropScene;
class RainScene;
class BiplaneScene;
class CaveScene;
class DragonflyScene;

extern BitmapFont* loadingFont;
extern Image* skyPicture;
extern FeatherScene* featherScene;
extern LighthouseScene* lighthouseScene;
extern TransitionOverlay* transitionOverlay;
extern BackdropScene* backdropScene;
extern RainScene* rainScene;
extern BiplaneScene* biplaneScene;
extern CaveScene* caveScene;
extern DragonflyScene* dragonflyScene;

// One part of the show: a scene, or the closing sky picture. The three ranks
// are the show's three fixed orders: construction (the loading-bar steps
// depend on it, and so will the shared showRand() sequence once a constructor
// draws from it, as the dragonfly's does), the frame (updates, then renders,
// both in this order: the sky picture after the scenes, the transition last
// of all) and destruction at shutdown.
struct ShowPart {
    const char* name;
    uint32_t maskBit;
    int loadRank;
    int frameRank;
    int destroyRank;
    void (*load)();
    void (*update)(uint32_t elapsedMs);  // nullptr: nothing to update
    void (*render)();
    void (*destroy)();  // also when load never ran
};

// The scene table; SHOW_PART_COUNT entries.
extern const ShowPart* const SHOW_PARTS;
extern const size_t SHOW_PART_COUNT;

// Called after each loading step (the live show advances its loading bar).
using LoadingStep = void (*)();

// Builds the trig tables and loads every part of the show in construction
// order, calling step after each of the 3 table passes and each part. Any
// missing or broken file ends the process with its message.
void loadShow(LoadingStep step);

// The frame's two passes over the parts whose bit is in mask, in frame order.
void updateShow(uint32_t mask, uint32_t elapsedMs);
void renderShow(uint32_t mask);

// Destroys every part in destruction order, then the loading font; each only
// if it exists.
void destroyShow();

// The moments of start-up that differ between the live program and the
// offline renderer; either may be absent.
struct StartupHooks {
    // After the loading font: the window caption and key repeat.
    void (*afterFont)() = nullptr;
    // After every part is loaded and before the last loading step: the start
    // moment, the audio device and the music stream.
    void (*beforeLastStep)() = nullptr;
};

// Start-up from the console to the white back buffer, in the show's order:
// the console and its loading font, the empty bar, loadShow with one bar step
// per load, hooks.beforeLastStep, the last step, the white fill. The Screen
// must exist. The live program, the offline renderer and the tests all start
// through this.
void startShow(const StartupHooks& hooks);
