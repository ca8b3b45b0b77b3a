// TAntialiaser turns a stream of pen positions with fractional coordinates
// into soft-edged coverage of whole pixels: a pixel within the pen's radius
// (size / 2) of some pen position has coverage 1, one farther away fades
// linearly to 0 over the softness (0 to 1 pixel) beyond it, and the rest get
// nothing. The callback receives each covered pixel once, with the coverage
// of its nearest pen position.
//
// It keeps only a small square window of squared distances round the pen and
// hands each pixel out when the window scrolls past it (or at Flush), so a
// stroke of any length takes constant memory. The window scrolls by the
// pen's whole move, so pen steps of any length are right; a stroke that
// comes back to pixels it left long before covers them a second time.
//
// A stroke: Reset, AddPoint for each pen position in order, Flush. Points
// that are not finite are skipped. Nothing raises.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/surface/EngineSurface.h"

class TAntialiaser {
public:
    // Receives a pixel, its coverage (above 0, at most 1) and the target
    // given with the point or the flush that handed it out.
    using TCallback = std::function<void(int32_t x, int32_t y, double coverage, ISurface* target)>;

    // size: the pen's diameter in pixels (0 to 256); softness: the fading
    // band, clamped to 0..1 (NaN counts as 0: hard edges).
    TAntialiaser(int32_t size, TCallback callback, double softness);

    // Forgets the stroke: nothing of it is handed out later.
    void Reset();
    void AddPoint(double x, double y, ISurface* target);
    void AddPointF(float x, float y, ISurface* target) { AddPoint(x, y, target); }
    // Hands out every pixel still in the window, row by row, and empties it.
    void Flush(ISurface* target);

    int32_t GetSize() const { return size_; }
    double GetSoftness() const { return softness_; }
    // The window's side (size + 3).
    int32_t GetWindowSize() const { return side_; }

private:
    float& Cell(int32_t i, int32_t j) { return window_[size_t(i) * size_t(side_) + size_t(j)]; }
    void Clear();
    void StampDistances(double x, double y);
    void EmitCell(int32_t i, int32_t j, ISurface* target);
    // One column or row leaves the window (handed out) and a new one enters.
    void ScrollLeft(ISurface* target);
    void ScrollRight(ISurface* target);
    void ScrollUp(ISurface* target);
    void ScrollDown(ISurface* target);

    int32_t size_;
    bool started_ = false;
    int32_t x0_ = 0;
    int32_t y0_ = 0;
    std::vector<float> window_;  // [column][row], squared distances
    TCallback callback_;
    int32_t side_;    // size + 3
    int32_t centre_;  // (side - 1) div 2
    float far_;       // side squared: beyond any effect
    float softness_;
    float innerSquared_;  // below: full coverage
    float outerSquared_;  // from here on: nothing
};
