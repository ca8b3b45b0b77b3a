// Small helpers the transform widgets' files share; not for other files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "core/base/SafeConvert.h"
#include "core/persist/EngineGeneralClasses.h"

namespace transform_widgets {

// a + b, kept inside the 32-bit range.
inline int32_t AddClamped(int32_t a, int32_t b) {
    return int32_t(std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// -a, kept inside the 32-bit range.
inline int32_t NegateClamped(int32_t a) {
    return a == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max() : -a;
}

// Rounded (halves to even); NaN gives 0, out of range the nearest limit.
inline int32_t RoundToInt(double value) {
    return SaturatingRound<int32_t>(value);
}

// The image loader's limits, which every picture sized from data keeps to:
// 16384 pixels a side and 2^26 pixels.
inline bool CacheSizeAllowed(int64_t width, int64_t height) {
    constexpr int64_t kMaxSide = 16384, kMaxPixels = int64_t{1} << 26;
    width = std::max<int64_t>(width, 0);
    height = std::max<int64_t>(height, 0);
    return width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

// "zoom_widget \"logo\"": how a log line names a widget.
inline std::string DescribeTransform(TPersistObject& object) {
    std::string text = object.GetTypeName().empty() ? "widget" : object.GetTypeName();
    if (!object.Name().empty()) text += " \"" + object.Name() + "\"";
    return text;
}

}  // namespace transform_widgets
