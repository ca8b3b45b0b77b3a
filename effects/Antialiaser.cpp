#include "effects/Antialiaser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TAntialiaser::TAntialiaser(int32_t size, TCallback callback, double softness)
    : size_(std::clamp(size, 0, 256)),
      callback_(std::move(callback)),
      side_(size_ + 3),
      centre_((side_ - 1) / 2),
      far_(float(side_ * side_)),
      softness_(softness > 0 ? float(std::min(softness, 1.0)) : 0.0f) {
    const double radius = size_ / 2.0;
    innerSquared_ = float(radius * radius);
    // A little beyond the band, so that rounding never drops a cell the root
    // would keep; the root decides at the edge.
    outerSquared_ = std::nextafter(float((radius + softness_) * (radius + softness_)), far_);
    outerSquared_ = std::min(outerSquared_, far_);
    window_.assign(size_t(side_) * size_t(side_), far_);
}

void TAntialiaser::Clear() {
    std::fill(window_.begin(), window_.end(), far_);
}

void TAntialiaser::Reset() {
    started_ = false;
    Clear();
}

void TAntialiaser::AddPoint(double x, double y, ISurface* target) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    // Far beyond any surface: such a point only moves the window.
    x = std::clamp(x, -1e9, 1e9);
    y = std::clamp(y, -1e9, 1e9);
    const int32_t ix = int32_t(std::trunc(x));
    const int32_t iy = int32_t(std::trunc(y));
    if (!started_) {
        started_ = true;
        x0_ = ix;
        y0_ = iy;
        StampDistances(x, y);
        return;
    }
    const int64_t dx = int64_t{ix} - x0_;
    const int64_t dy = int64_t{iy} - y0_;
    if (std::abs(dx) >= side_ || std::abs(dy) >= side_) {
        // A jump past the whole window: what it holds is final.
        Flush(target);
        x0_ = ix;
        y0_ = iy;
    } else {
        for (int64_t k = 0; k < dx; ++k) ScrollLeft(target);
        for (int64_t k = 0; k > dx; --k) ScrollRight(target);
        for (int64_t k = 0; k < dy; ++k) ScrollUp(target);
        for (int64_t k = 0; k > dy; --k) ScrollDown(target);
    }
    StampDistances(x, y);
}

void TAntialiaser::Flush(ISurface* target) {
    for (int32_t j = 0; j < side_; ++j) {
        for (int32_t i = 0; i < side_; ++i) EmitCell(i, j, target);
    }
    Clear();
}

void TAntialiaser::StampDistances(double x, double y) {
    const float fx = float(x - x0_ + centre_);
    const float fy = float(y - y0_ + centre_);
    for (int32_t i = 0; i < side_; ++i) {
        const float ddx = (fx - float(i)) * (fx - float(i));
        float* column = &Cell(i, 0);
        for (int32_t j = 0; j < side_; ++j) {
            const float d = ddx + (fy - float(j)) * (fy - float(j));
            if (d < column[j]) column[j] = d;
        }
    }
}

void TAntialiaser::EmitCell(int32_t i, int32_t j, ISurface* target) {
    const float value = Cell(i, j);
    // Most cells of the window lie beyond the band: no root for them.
    if (value >= outerSquared_ || !callback_) return;
    double coverage = 1.0;
    if (value >= innerSquared_) {
        const double d = std::sqrt(double(value));
        const double radius = size_ / 2.0;
        if (d >= radius + softness_) return;
        coverage = (radius + softness_ - d) / softness_;
    }
    // A cell stands for the pixel it measured the distances of.
    callback_(x0_ - centre_ + i, y0_ - centre_ + j, coverage, target);
}

void TAntialiaser::ScrollLeft(ISurface* target) {
    for (int32_t j = 0; j < side_; ++j) EmitCell(0, j, target);
    const size_t column = size_t(side_);
    std::memmove(window_.data(), window_.data() + column,
                 (window_.size() - column) * sizeof(float));
    std::fill(window_.end() - ptrdiff_t(column), window_.end(), far_);
    ++x0_;
}

void TAntialiaser::ScrollRight(ISurface* target) {
    for (int32_t j = 0; j < side_; ++j) EmitCell(side_ - 1, j, target);
    const size_t column = size_t(side_);
    std::memmove(window_.data() + column, window_.data(),
                 (window_.size() - column) * sizeof(float));
    std::fill(window_.begin(), window_.begin() + ptrdiff_t(column), far_);
    --x0_;
}

void TAntialiaser::ScrollUp(ISurface* target) {
    for (int32_t i = 0; i < side_; ++i) {
        EmitCell(i, 0, target);
        float* column = &Cell(i, 0);
        std::memmove(column, column + 1, size_t(side_ - 1) * sizeof(float));
        column[side_ - 1] = far_;
    }
    ++y0_;
}

void TAntialiaser::ScrollDown(ISurface* target) {
    for (int32_t i = 0; i < side_; ++i) {
        EmitCell(i, side_ - 1, target);
        float* column = &Cell(i, 0);
        std::memmove(column + 1, column, size_t(side_ - 1) * sizeof(float));
        column[0] = far_;
    }
    --y0_;
}
