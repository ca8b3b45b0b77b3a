// Float-to-integer conversions with a defined result for every input.
//
// C++ leaves the conversion of NaN, an infinity or a value beyond the target
// type undefined, and data-driven values (expressions, function outputs,
// particle and widget properties) reach such conversions. Every conversion of
// a float that comes from data goes through these: NaN gives 0, a value below
// or above the target's range gives its lowest or highest value.
#pragma once

#include <cmath>
#include <concepts>
#include <limits>

// Rounds to the nearest integer, a half going to the even neighbour
// (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2). NaN and infinities are returned
// as they are; the result stays a double.
inline double RoundHalfEven(double x) {
    double rounded = std::round(x);  // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) rounded = 2.0 * std::round(x * 0.5);
    return rounded;
}

namespace safe_convert_detail {

// 2^digits: the first value above the type's range, exact as a double.
template <std::integral T>
constexpr double UpperBound() {
    return 2.0 * static_cast<double>(T(1) << (std::numeric_limits<T>::digits - 1));
}

// An integral value already cut to a whole number, brought into T's range.
template <std::integral T>
T Saturate(double whole) {
    if (std::isnan(whole)) return 0;
    if (whole >= UpperBound<T>()) return std::numeric_limits<T>::max();
    if constexpr (std::numeric_limits<T>::is_signed) {
        if (whole < -UpperBound<T>()) return std::numeric_limits<T>::min();
    } else {
        if (whole < 0) return 0;
    }
    return static_cast<T>(whole);
}

}  // namespace safe_convert_detail

// Cuts toward zero into T; NaN gives 0, out of range gives T's nearest limit.
template <std::integral T>
T SaturatingTrunc(double x) {
    return safe_convert_detail::Saturate<T>(std::trunc(x));
}

// Rounds (halves to even) into T; NaN gives 0, out of range gives T's nearest
// limit.
template <std::integral T>
T SaturatingRound(double x) {
    return safe_convert_detail::Saturate<T>(RoundHalfEven(x));
}
