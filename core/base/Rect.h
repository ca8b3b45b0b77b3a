// A pixel rectangle: left and top inside, right and bottom outside (except
// for PointInRectInclusive, which counts every edge as inside).
#pragma once

#include <cstdint>

struct TRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return left >= right || top >= bottom; }
    // 64-bit so that extreme edges cannot overflow.
    int64_t Width() const { return int64_t{right} - left; }
    int64_t Height() const { return int64_t{bottom} - top; }

    bool operator==(const TRect&) const = default;
};
