// Transition effects: a group that holds two pictures, "surface1" and
// "surface2" (before and after a change), and a duration, and plays its
// children as the stages of a transition between them. The surfaces usually
// arrive from an appearance effect's snapshot, through an alias.
//
// Failures: nothing here raises to the caller; a "surface1" or "surface2"
// value that is no surface sets none, other values that do not convert are
// dropped.
#pragma once

#include <cstdint>

#include "widgets/GroupWidgets.h"

// Not registered: a base only. Stored key "durationtime" (always written);
// properties "durationtime", "surface1" and "surface2".
class TTransitionEffectWdiget : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const Ref<ISurface>& GetSurface1() const { return surface1_; }
    const Ref<ISurface>& GetSurface2() const { return surface2_; }
    int32_t GetDurationTime() const { return durationTime_; }

private:
    static Variant Surface1Property(TTransitionEffectWdiget& widget);
    static void SetSurface1Property(TTransitionEffectWdiget& widget, const Variant& value);
    static Variant Surface2Property(TTransitionEffectWdiget& widget);
    static void SetSurface2Property(TTransitionEffectWdiget& widget, const Variant& value);
    static Variant DurationProperty(TTransitionEffectWdiget& widget);
    static void SetDurationProperty(TTransitionEffectWdiget& widget, const Variant& value);

    Ref<ISurface> surface1_;
    Ref<ISurface> surface2_;
    int32_t durationTime_ = 0;
};

// Registered as "sequience_transition_effect". Shows one child at a time:
// at age t the child round(count * t / durationtime) (halves to even), so
// each child has an equal share of the duration and the first only half of
// one. Past the duration the index runs beyond the last child and none is
// shown, unless the extra parameter "cycle" is "yes": then the children
// repeat every durationtime milliseconds. Loading hides and pauses every
// child; nothing is shown before the first update.
class TSequienceTransitionEffectWdiget : public TTransitionEffectWdiget {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's step, then the child for the age (nothing without children
    // or with a duration of 0 or less).
    void DoUpdate(int32_t elapsedMs) override;
    // Shows the child at index (taken modulo the child count with "cycle"):
    // the child shown before is hidden and paused; the new one, when there
    // is one, gets the two surfaces and is shown and resumed. Nothing when
    // the index is the present one.
    void SetIndex(int64_t index);
    // -1 before the first update.
    int64_t GetIndex() const { return index_; }

private:
    int64_t index_ = -1;
};
