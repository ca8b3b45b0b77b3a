// Small helpers the widget library's own files share; not for other layers.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Rect.h"
#include "core/persist/EngineGeneralClasses.h"

// Rounded to the nearest integer, halves to even; NaN gives 0, out of range
// the nearest limit.
int32_t RoundToInt(double value);
// a + b, kept inside the 32-bit range.
int32_t AddClamped(int32_t a, int32_t b);
// -a, kept inside the 32-bit range.
inline int32_t NegateClamped(int32_t a) {
    return a == INT32_MIN ? INT32_MAX : -a;
}
// Each edge moved by (dx, dy), kept inside the 32-bit range.
TRect ShiftRect(const TRect& rect, int32_t dx, int32_t dy);
// Whether a surface of that size may be made (the limit of the image
// loader: 16384 pixels a side, 2^26 pixels).
bool SurfaceSizeAllowed(int64_t width, int64_t height);
// "group_widget \"panel\"": how a log line names a widget or factory.
std::string DescribeWidget(TPersistObject& object);
