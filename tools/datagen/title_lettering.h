// TitleLettering: the word "ambrelle" written with a broad-nib italic pen,
// rendered as coverage planes for the title picture and its opacity.
#pragma once

#include "art_kit.h"

class TitleLettering {
   public:
    // Renders the letters at 4 x 4 samples per pixel into 320 x 240 planes.
    TitleLettering();

    // Coverage 0..1 of the ink, of the ink grown by a thin outline, and of a
    // soft shadow cast down and to the right.
    art::Plane ink;
    art::Plane outline;
    art::Plane shadow;
    // The letters' extent in screen pixels (inclusive).
    int left = 0, top = 0, right = 0, bottom = 0;
};
