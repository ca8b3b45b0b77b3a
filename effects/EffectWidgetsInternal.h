// Small helpers the effect, transition and state widgets share; not for
// other files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/base/SafeConvert.h"
#include "core/base/Variant.h"

namespace effect_widgets {

// A 64-bit value brought into the 32-bit range.
inline int32_t ClampToInt32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// a + b, kept inside the 32-bit range.
inline int32_t AddClamped(int32_t a, int32_t b) {
    return ClampToInt32(int64_t{a} + b);
}

// -a, kept inside the 32-bit range.
inline int32_t NegateClamped(int32_t a) {
    return ClampToInt32(-int64_t{a});
}

// Rounded (halves to even); NaN gives 0, out of range the nearest limit.
inline int32_t RoundToInt(double value) {
    return SaturatingRound<int32_t>(value);
}

// An integer property value: whole numbers kept inside the 32-bit range,
// reals and texts of reals rounded with saturation (NaN gives 0), as a
// function object driving the property hands them. Raises EVariantError for
// a value that is no number at all (the property setters drop it).
inline int32_t IntFromVariant(const Variant& value) {
    switch (value.Type()) {
        case varEmpty:
        case varSmallint:
        case varInteger:
        case varInt64:
        case varByte:
        case varBoolean:
            return ClampToInt32(value.ToInt64());
        default:
            return RoundToInt(value.ToDouble());
    }
}

}  // namespace effect_widgets
