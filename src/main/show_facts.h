// The show's fixed facts, stated once: the frame period, the schedule of scene
// masks, the files every part of the show shares and the mesh record counts.
// Header only and free of dependencies, so the data generator and the data
// check read the same facts as the show.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t FRAME_PERIOD_MS = 33;

// sceneMask bits: one per scene, then the sky picture, the two clears and the end.
constexpr uint32_t MASK_TRANSITION = 0x1;
constexpr uint32_t MASK_LIGHTHOUSE = 0x2;
constexpr uint32_t MASK_CAVE = 0x4;
constexpr uint32_t MASK_DRAGONFLY = 0x8;
constexpr uint32_t MASK_FEATHER = 0x10;
constexpr uint32_t MASK_BACKDROP = 0x20;
constexpr uint32_t MASK_RAIN = 0x40;
constexpr uint32_t MASK_BIPLANE = 0x80;
constexpr uint32_t MASK_SKY_PICTURE = 0x100;
constexpr uint32_t MASK_CLEAR_BLACK = 0x80000;
constexpr uint32_t MASK_CLEAR_WHITE = 0x100000;
constexpr uint32_t MASK_END = 0x80000000;

// One row of the schedule: the mask from the previous row's lastMs + 1 up to
// and including lastMs (the first row starts at 1 ms; 0 ms keeps the previous
// mask). The transition bit is set from 3100 ms before each change of picture
// (3150 before the first) until 2900 to 6900 ms after it.
struct ScheduleRow {
    uint32_t lastMs;
    uint32_t mask;
};

constexpr ScheduleRow SCHEDULE[] = {
    {3150, MASK_CLEAR_WHITE | MASK_TRANSITION},
    {6200, MASK_FEATHER | MASK_TRANSITION},
    {40000, MASK_FEATHER},
    {43100, MASK_FEATHER | MASK_TRANSITION},
    {50000, MASK_LIGHTHOUSE | MASK_TRANSITION},
    {62000, MASK_LIGHTHOUSE},
    {65100, MASK_LIGHTHOUSE | MASK_TRANSITION},
    {69000, MASK_BACKDROP | MASK_RAIN | MASK_TRANSITION},
    {85000, MASK_BACKDROP | MASK_RAIN},
    {88100, MASK_BACKDROP | MASK_RAIN | MASK_TRANSITION},
    {92000, MASK_BIPLANE | MASK_TRANSITION},
    {135000, MASK_BIPLANE},
    {138100, MASK_BIPLANE | MASK_TRANSITION},
    {142000, MASK_CAVE | MASK_TRANSITION},
    {180000, MASK_CAVE},
    {183100, MASK_CAVE | MASK_TRANSITION},
    {187000, MASK_DRAGONFLY | MASK_TRANSITION},
    {230000, MASK_DRAGONFLY},
    {233100, MASK_DRAGONFLY | MASK_TRANSITION},
    {236500, MASK_SKY_PICTURE | MASK_TRANSITION},
    {244000, MASK_SKY_PICTURE},
    {247100, MASK_SKY_PICTURE | MASK_TRANSITION},
    {250000, MASK_CLEAR_BLACK | MASK_TRANSITION},
};
constexpr size_t SCHEDULE_ROWS = sizeof(SCHEDULE) / sizeof(SCHEDULE[0]);
// From the millisecond after the last row on, the mask is MASK_END.
constexpr uint32_t SHOW_END_MS = SCHEDULE[SCHEDULE_ROWS - 1].lastMs + 1;

// The moments (ms) at which the picture passes from one scene to the next:
// the first millisecond of a row whose mask, transition bit aside, differs from
// the row before. The opening white is not a scene, so the first change is
// the lighthouse's. There are SCENE_CHANGE_COUNT of them.
constexpr size_t SCENE_CHANGE_COUNT = 7;
constexpr uint32_t sceneChangeMs(size_t n) {
    size_t found = 0;
    for (size_t i = 2; i < SCHEDULE_ROWS; i++) {
        if ((SCHEDULE[i].mask & ~MASK_TRANSITION) == (SCHEDULE[i - 1].mask & ~MASK_TRANSITION)) continue;
        if (found++ == n) return SCHEDULE[i - 1].lastMs + 1;
    }
    return 0;
}
static_assert(sceneChangeMs(0) == 43101 && sceneChangeMs(SCENE_CHANGE_COUNT - 1) == 247101 &&
                  sceneChangeMs(SCENE_CHANGE_COUNT) == 0,
              "the schedule has seven changes of picture");

// Files read by start-up rather than by one scene.
constexpr const char* LOADING_FONT_PATH = "data/font.png";
constexpr const char* SKY_PICTURE_PATH = "data/skybax.png";
constexpr const char* MUSIC_PATH = "data/warmer.ogg";

// The two meshes and the record counts their arrays are sized by.
struct MeshFacts {
    const char* path;
    int32_t vertexCount, faceCount, texCoordCount;
};
constexpr MeshFacts PLANE_MESH = {"data/sopwith.ase", 122, 136, 286};
constexpr MeshFacts FLOWER_MESH = {"data/kukka.ase", 121, 121, 224};
