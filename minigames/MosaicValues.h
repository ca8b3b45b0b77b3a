// Small helpers the mosaic's classes share: new parameter collections and
// values read from data, where a value that is no number must never stop a
// frame or reach the drawing as NaN.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "core/base/Exception.h"
#include "core/base/SafeConvert.h"
#include "core/base/Variant.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/Params.h"
#include "widgets/GameInterfaces.h"

namespace mosaic {

inline Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// The value rounded to a whole number (halves to even, saturating).
inline int32_t RoundedIntOf(const Variant& value, int32_t fallback = 0) {
    const double number = FiniteNumberOr(value, double(fallback));
    return SaturatingRound<int32_t>(number);
}

// A widget property read without letting an exception through.
inline Variant PropertyOf(const Ref<IWidget>& widget, const std::string& name) {
    if (!widget) return {};
    try {
        return widget->GetProperty(name);
    } catch (const Exception&) {
        return {};
    }
}

inline void SetPropertyOf(const Ref<IWidget>& widget, const std::string& name,
                          const Variant& value) {
    if (widget) widget->SetProperty(name, value);
}

}  // namespace mosaic
