// The show's process-wide objects and the start-up and shutdown sequences
// shared by the live program and the offline renderer.
#pragma once

class BitmapFont;
class FeatherScene;
class Image;
class LighthouseScene;
class BackdropScene;
class RainScene;
class TransitionOverlay;

extern BitmapFont* loadingFont;
extern Image* skyPicture;
extern FeatherScene* featherScene;
extern TransitionOverlay* transitionOverlay;
extern LighthouseScene* lighthouseScene;
extern BackdropScene* backdropScene;
extern RainScene* rainScene;

// Called after each loading step (the live show advances its loading bar).
using LoadingStep = void (*)();

// Builds the trig tables and loads the sky picture and every scene, in the
// show's order, calling step after each of the 3 table passes, the picture and
// each scene. Any missing or broken file ends the process with its message.
void loadShow(LoadingStep step);

// Destroys the scenes, the sky picture and the loading font in the show's
// order; each only if it exists.
void destroyShow();
