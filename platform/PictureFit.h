// Where the game's picture goes on a display area of another size (a full
// screen that could not switch to the game's size): scaled by one factor to
// fill as much of the area as its aspect allows, and centred, the rest left
// black. Pointer positions on the area map back to the picture's pixels.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

struct TPictureFit {
    double scale = 1.0;    // picture pixels to area pixels
    int32_t left = 0;      // the picture's place on the area
    int32_t top = 0;
    int32_t width = 0;     // its drawn size on the area
    int32_t height = 0;
};

// A picture of pictureWidth x pictureHeight on an area of areaWidth x
// areaHeight: the largest scale that fits both ways, the picture centred.
// An empty picture or area gives scale 1 at (0, 0).
TPictureFit FitPicture(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth,
                       int32_t areaHeight);

// The picture's pixel drawn at a pixel of the area (outside the picture
// when the pixel lies on a bar): the one whose scaled area holds its centre.
TPlatformPoint AreaToPicture(const TPictureFit& fit, TPlatformPoint point);
