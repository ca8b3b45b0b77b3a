// What the particle systems share: the draws of the process-wide generator
// with a meaning for negative bounds, the caps that keep data from emitting
// without limit, and the rounding and clamping of values that come from data
// (every one of them may be an infinity or NaN).
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/base/Rect.h"
#include "core/base/SafeConvert.h"
#include "engine/surface/EngineSurface.h"
#include "functions/FunctionInterfaces.h"

// Live particles one system keeps at most; what would go beyond is not
// emitted (silently).
inline constexpr int32_t kMaxLiveParticles = 100000;
// Fixed steps one frame runs at most; a longer stall's remaining steps are
// dropped, not caught up.
inline constexpr int32_t kMaxStepsPerFrame = 100;

// The list of draw modes of particles and curves.
inline constexpr std::string_view kDrawModeNames = "/copyrect/fillcolor";
enum : uint8_t { kDrawModeCopyRect = 0, kDrawModeFillColor = 1 };

// The process-wide generator: 0..n-1 for n > 0, 0 for n = 0 and n+1..0 for
// n < 0 (data with a minimum above its maximum draws below the minimum).
int32_t RandomSigned(int32_t n);

// The function object of the child "function"; null, with one "WIDGET" line
// in the log, when the child is there but makes none.
Ref<IFunction> LoadChildFunction(const Ref<IHierStorage>& storage);

// Rounded (halves to even) into 32 bits; NaN gives 0, beyond the range its
// nearest limit.
inline int32_t RoundInt(double value) {
    // The common case without the saturating checks: nearbyint rounds halves
    // to even in the default rounding mode.
    if (value > -2147483648.0 && value < 2147483647.0) return int32_t(std::nearbyint(value));
    return SaturatingRound<int32_t>(value);
}

// A colour channel: rounded and clamped to 0..255; NaN gives 0.
inline uint8_t ClampChannel(double value) {
    if (!(value > 0)) return 0;
    if (value >= 255) return 255;
    return uint8_t(std::nearbyint(value));
}

// The low byte of a whole number, as a byte-sized channel keeps it.
inline uint8_t WrapChannel(int64_t value) {
    return uint8_t(uint64_t(value) & 0xFF);
}

// A rectangle of a size at a place, each edge kept inside the 32-bit range.
TRect PlaceRect(int64_t left, int64_t top, int64_t width, int64_t height);
// The rectangle moved by (dx, dy), kept inside the 32-bit range.
TRect MoveRect(const TRect& rect, int64_t dx, int64_t dy);
// The bounding box of both.
TRect UniteRect(const TRect& a, const TRect& b);

// ---------------------------------------------------------------------------
// Particles described by a value table (the function and multi-type
// systems): column 0 is the drawing state, (0, 0) the dead flag, (0, 1) x and
// (0, 2) y of the picture's centre, (0, 3) the picture index, (0, 4) to
// (0, 6) red, green and blue, (0, 7) the opacity; column 1 the particle's
// own state, (1, 0) its age in milliseconds. A missing cell reads as 0 and
// takes no write.

inline int32_t RowCount(const TFloatMatrix& values, int32_t column) {
    return column >= 0 && size_t(column) < values.size() ? int32_t(values[size_t(column)].size())
                                                         : 0;
}
inline TFloatType* CellAt(const TFloatMatrix& values, int32_t column, int32_t row) {
    if (column < 0 || size_t(column) >= values.size()) return nullptr;
    const TFloatVector& rows = values[size_t(column)];
    return row >= 0 && size_t(row) < rows.size() ? rows[size_t(row)] : nullptr;
}
inline double ReadCell(const TFloatMatrix& values, int32_t column, int32_t row) {
    const TFloatType* cell = CellAt(values, column, row);
    return cell ? double(*cell) : 0.0;
}
void WriteCell(const TFloatMatrix& values, int32_t column, int32_t row, double value);

// Round((0, 3)); -1 (no picture) when column 0 has fewer than 4 cells or the
// value is not finite.
int32_t PictureIndexOf(const TFloatMatrix& values);
// The rectangle the picture of a table particle covers, its centre at
// (Round((0, 1)), Round((0, 2))) from the origin (x, y).
TRect TableParticleRect(const TFloatMatrix& values, int64_t x, int64_t y, int32_t width,
                        int32_t height);
// Draws a table particle's picture centred on its position from (x, y):
// copyrect at level (opacity * level) div 256, or fillcolor painting the
// particle's colour and opacity through the picture's alpha at level.
void DrawTableParticle(ISurface& surface, int32_t x, int32_t y, const TFloatMatrix& values,
                       ISurface& picture, uint8_t drawMode, uint8_t blendingMode, uint8_t level);
