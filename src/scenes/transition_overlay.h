// TransitionOverlay: the white-out wipe that covers every change of scene.
#pragma once

#include <cstdint>

class Image;

class TransitionOverlay {
   public:
    static constexpr int32_t RUN_MIDPOINT_LEVEL = 192;
    static constexpr int32_t RUN_END_LEVEL = 384;
    static constexpr int PICTURE_COUNT = 5;

    // The five wipe patterns, 320 x 240 each.
    struct Assets {
        Image* pictures[PICTURE_COUNT];
    };
    // Loads trans1..trans5 from data/ (a missing or smaller picture stops
    // start-up with a message naming it).
    static Assets load();
    // Takes ownership of the pictures, checked against the same size. The
    // construction state is a run that began at show time 0 with picture 1.
    explicit TransitionOverlay(const Assets& assets);
    ~TransitionOverlay();
    TransitionOverlay(const TransitionOverlay&) = delete;
    TransitionOverlay& operator=(const TransitionOverlay&) = delete;

    // Begins the next run at show time startMs, one picture further on.
    void start(uint32_t startMs);
    void update(uint32_t t);
    bool isFinished() const { return finished; }
    // Brightens the back buffer toward white in the current picture's pattern.
    // Frames that are unchanged or all white as a whole are known from level
    // alone; the rest run through 16-bit lanes. Output is bit-identical to
    // renderTransitionReference.
    void render();

    Image* pictures[PICTURE_COUNT] = {};
    uint32_t startMs = 0;
    int32_t level = 0;  // run progress in 16 ms units, clamped at 384
    int32_t phase = 0;  // the same, unclamped: slides the pattern
    bool pictureAdvanced = false;
    bool finished = false;
    int32_t pictureIndex = 1;
};
