// Surfaces for the drawing tests.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/surface/EngineSurface.h"

// A w by h surface filled with one pixel value.
inline Ref<TSurface> MakeSurface(int32_t w, int32_t h, bool transparent, uint32_t fill) {
    Ref<TSurface> s = MakeRef<TSurface>();
    s->SetSize(w, h);
    s->SetTransparent(transparent);
    for (int32_t y = 0; y < h; ++y) std::fill_n(s->GetScanLine(y), w, fill);
    return s;
}
