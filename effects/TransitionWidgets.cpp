#include "effects/TransitionWidgets.h"

#include "effects/EffectWidgetsInternal.h"

using effect_widgets::IntFromVariant;

namespace {

Ref<ISurface> SurfaceFromVariant(const Variant& value) {
    try {
        return Query<ISurface>(value.ToInterface());
    } catch (const Exception&) {
        return nullptr;  // no interface: no surface
    }
}

// numerator / denominator rounded to the nearest integer, halves to even,
// for denominator > 0, without leaving 64-bit integers.
int64_t RoundedQuotient(int64_t numerator, int64_t denominator) {
    int64_t quotient = numerator / denominator;
    int64_t remainder = numerator % denominator;
    if (remainder < 0) {  // floor division
        quotient -= 1;
        remainder += denominator;
    }
    const int64_t twice = 2 * remainder;  // remainder < denominator <= 2^31
    if (twice > denominator || (twice == denominator && quotient % 2 != 0)) quotient += 1;
    return quotient;
}

}  // namespace

// ---------------------------------------------------------------------------
// TTransitionEffectWdiget

const TPropertyTable& TTransitionEffectWdiget::Table() {
    using T = TTransitionEffectWdiget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<T>(TVisualGroupWidget::Table())
            .Custom("surface1", &T::Surface1Property, &T::SetSurface1Property)
            .Custom("surface2", &T::Surface2Property, &T::SetSurface2Property)
            .Custom("durationtime", &T::DurationProperty, &T::SetDurationProperty)
            .Field("durationtime", &T::durationTime_, 0).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TTransitionEffectWdiget::Surface1Property(TTransitionEffectWdiget& widget) {
    return Variant(widget.surface1_);
}

void TTransitionEffectWdiget::SetSurface1Property(TTransitionEffectWdiget& widget,
                                                  const Variant& value) {
    widget.surface1_ = SurfaceFromVariant(value);
}

Variant TTransitionEffectWdiget::Surface2Property(TTransitionEffectWdiget& widget) {
    return Variant(widget.surface2_);
}

void TTransitionEffectWdiget::SetSurface2Property(TTransitionEffectWdiget& widget,
                                                  const Variant& value) {
    widget.surface2_ = SurfaceFromVariant(value);
}

Variant TTransitionEffectWdiget::DurationProperty(TTransitionEffectWdiget& widget) {
    return Variant(widget.durationTime_);
}

void TTransitionEffectWdiget::SetDurationProperty(TTransitionEffectWdiget& widget,
                                                  const Variant& value) {
    widget.durationTime_ = IntFromVariant(value);
}

// ---------------------------------------------------------------------------
// TSequienceTransitionEffectWdiget

void TSequienceTransitionEffectWdiget::LoadFrom(const Ref<IHierStorage>& storage) {
    TTransitionEffectWdiget::LoadFrom(storage);
    Children().ForEachWidget([](IWidget& child) {
        child.SetVisible(false);
        child.SetPaused(true);
    });
}

void TSequienceTransitionEffectWdiget::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TTransitionEffectWdiget::DoUpdate(elapsedMs);
    const int32_t count = Children().GetCount();
    const int32_t duration = GetDurationTime();
    if (count < 1 || duration <= 0) return;
    // In 64 bits: 16 children would overflow 32 bits after about 37 hours.
    SetIndex(RoundedQuotient(int64_t{count} * GetCurrentTime(), duration));
}

void TSequienceTransitionEffectWdiget::SetIndex(int64_t index) {
    const Ref<IWidget> self(this);
    const int32_t count = Children().GetCount();
    bool cycle = false;
    try {
        cycle = GetPropertyDef("cycle", Variant("no")).ToString() == "yes";
    } catch (const Exception&) {
        // A "cycle" with no text form is no "yes".
    }
    if (cycle && count > 0) index %= count;
    if (index == index_) return;
    if (const Ref<IWidget> old =
            Children().GetWidgetByIndex(effect_widgets::ClampToInt32(index_))) {
        old->SetVisible(false);
        old->SetPaused(true);
    }
    index_ = index;
    const Ref<IWidget> child = Children().GetWidgetByIndex(effect_widgets::ClampToInt32(index_));
    if (!child) return;
    child->SetProperty("surface1", Variant(GetSurface1()));
    child->SetProperty("surface2", Variant(GetSurface2()));
    child->SetVisible(true);
    child->SetPaused(false);
}
